#pragma once

#include "common/Result.h"
#include "history/HistoryParser.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace talven {

// A history file as it would be stored, and what of it would be passed over: what an import shows
// before it replaces anything.
struct HistoryFile {
    QString form; // how the file was read, in words ("逗号分隔表格，日期列，按年份编期号")
    QList<ParsedDraw> draws;     // as they will be stored: oldest first, periods ascending
    QList<SkippedLine> skipped;  // every line that yields no draw, with its reason
    int lines = 0;               // non-blank lines, a header row included
    bool twoDigitLines = false;  // read by the rules of the original two-digit line format
    bool everyLineDated = false; // every draw carries its own period or date; none was counted on

    // Why the file must not replace a history: no draw at all (code Refused, never overridden), or
    // more than half of its non-blank lines skipped (code NotHistory, which the user may override).
    std::optional<Error> refusal(const QString& path) const;
    // The first and the last `each` draws, without repeating one when the file is short.
    QList<ParsedDraw> previewDraws(int each = 3) const;
    // The draws newer than the stored history (oldest first), which the file must continue: every
    // line dated, the newest stored draw in it unchanged and no stored draw it holds different.
    // Refused otherwise, each difference a line of the error's detail.
    Result<QList<ParsedDraw>> newerThan(const QList<ParsedDraw>& stored, const QString& path) const;
};

// Reading of history files in the forms users bring: the original two-digit lines, and tables or
// plain lines of a period (or draw number, or date) and seven numbers. Pure, it touches no database.
namespace HistoryReader {

// A file that the original line reader mostly accepts is read by it unchanged; any other file is
// read as a table. The draws come out oldest first: a file running newest first is reversed, one
// in no order is sorted by its periods or dates. Refused when two lines give the same period with
// different numbers.
Result<HistoryFile> read(const QByteArray& bytes, int proposedPeriod, int largest);

// The same from a file, which is refused unread when it is too large to be a history.
Result<HistoryFile> readFile(const QString& path, int proposedPeriod, int largest);

} // namespace HistoryReader

} // namespace talven
