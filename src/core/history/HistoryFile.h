#pragma once

#include "common/Result.h"
#include "history/HistoryParser.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace talven {

// A history file as it would be stored, and what of it would be passed over: what an import shows
// before it replaces anything.
struct HistoryFile {
    // Where the periods come from.
    enum class Numbering {
        FromFile,  // each line's own period (or, in the line format, the line before's plus one)
        FromDates, // the draws of each year counted in date order
        Counted,   // no period nor date: counted on from the proposed period
    };

    QString form; // how the file was read, in words ("逗号分隔表格，日期列，按年份编期号")
    QString sourceName;          // the sheet or list that was read, when the file holds several
    QList<ParsedDraw> draws;     // as they will be stored: oldest first, periods ascending
    QList<SkippedLine> skipped;  // every line that yields no draw, with its reason
    QStringList warnings;        // what the user must know about the reading (numbering from dates)
    int lines = 0;               // non-blank lines, a header row included
    int repeatedTitles = 0;      // title rows repeated inside the table, passed over silently
    bool twoDigitLines = false;  // read by the rules of the original two-digit line format
    bool everyLineDated = false; // every draw carries its own period or date; none was counted on
    Numbering numbering = Numbering::FromFile;

    // Why the file must not replace a history: no draw at all (code Refused, never overridden), or
    // more than half of its non-blank lines skipped (code NotHistory, which the user may override).
    std::optional<Error> refusal(const QString& path) const;
    // The first and the last `each` draws, without repeating one when the file is short.
    QList<ParsedDraw> previewDraws(int each = 3) const;
    // The draws newer than the stored history (oldest first), which the file must continue. With
    // periods of its own: every line dated, the newest stored draw in it unchanged and no stored
    // draw it holds different, each difference a line of the error's detail. Without (numbered
    // from dates or counted): found by the numbers of the newest stored draws, numbered on.
    Result<QList<ParsedDraw>> newerThan(const QList<ParsedDraw>& stored, const QString& path) const;
    // The skipped lines as the preview lists them: `listed` one by one, then a count per reason.
    QStringList skippedSummary(int listed = 20) const;
};

} // namespace talven
