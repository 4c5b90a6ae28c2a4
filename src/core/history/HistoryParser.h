#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace talven {

// One draw read from a history text file.
struct ParsedDraw {
    int lineNumber = 0; // 1-based line of the file
    int period = 0;
    std::array<int, 7> numbers{}; // six flat numbers in drawn order, then the special number

    bool operator==(const ParsedDraw&) const = default;
};

// A line of a history text file that yields no draw, with the reason shown to the user.
struct SkippedLine {
    int lineNumber = 0;
    QString text;
    QString reason;
};

struct HistoryParseResult {
    QList<ParsedDraw> draws; // in file order, periods strictly ascending
    QList<SkippedLine> skipped;
};

// Reading of history text files and checking of typed draws; pure, it touches no database.
namespace HistoryParser {

// The draws of a history file, one per line. A line may start with a seven-digit period number
// followed by one separator character; the numbers are the two-digit groups of the rest of the
// line, anything else separating them. A line without a period number takes the last accepted
// line's period plus one, or the proposed period itself while no line has been accepted yet.
// Blank lines are passed over without a report; lines with fewer than seven numbers, a number
// outside 1..largest, a repeated number, a digit group of odd length among the first seven
// numbers, a period that is not a seven-digit number or not above the previous accepted period
// (or the newest stored one) are skipped and reported. Numbers after the seventh are ignored.
HistoryParseResult parseLines(const QStringList& lines, int proposedPeriod, std::optional<int> newestStored,
                              int largest);

// What is wrong with a draw typed by hand, in words for the user; empty when it can be stored.
QString validateDraw(int period, const std::array<int, 7>& numbers, std::optional<int> newestStored,
                     int largest);

// What is wrong with seven numbers (out of 1..largest, repeated), in words; empty when they fit.
QString numbersProblem(const std::array<int, 7>& numbers, int largest);

// Seven numbers as the user is shown a draw: "01 08 13 24 35 43 + 33".
QString shownNumbers(const std::array<int, 7>& numbers);

// Text of a history file: UTF-8 or UTF-16 by byte-order mark or content, else GBK when the
// platform offers it, else Latin-1 (only the ASCII digits matter for the draws).
QString decodeText(const QByteArray& bytes);

// The lines of a decoded text, whatever its line ends (CR LF, LF or CR).
QStringList splitLines(const QString& text);

} // namespace HistoryParser

} // namespace talven
