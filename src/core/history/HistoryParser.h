#pragma once

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <utility>

namespace talven {

// One draw read from a history text file.
struct ParsedDraw {
    int lineNumber = 0; // 1-based line of the file
    int period = 0;
    std::array<int, 7> numbers{}; // six flat numbers in drawn order, then the special number
    QDate date;                   // the draw's date when the file gives one

    bool operator==(const ParsedDraw&) const = default;
};

// A line of a history text file that yields no draw, with the reason shown to the user.
struct SkippedLine {
    int lineNumber = 0;
    QString text;
    QString reason;
};

struct HistoryParseResult {
    QList<ParsedDraw> draws; // oldest first, periods strictly ascending
    QList<SkippedLine> skipped;
    bool reversed = false; // the lines ran newest first and were read from the last
    // Two lines giving one period different numbers: the file cannot say which is right.
    std::optional<std::pair<int, int>> conflict;
};

// Reading of history text files and checking of typed draws; pure, it touches no database.
namespace HistoryParser {

// The draws of a history file, one per line. A line may start with a seven-digit period number
// (year 1900-2099, draw 001-999) followed by one separator character; the numbers are the
// two-digit groups of the rest of the line, anything else separating them. A line without a
// period number takes the last accepted line's period plus one, or the proposed period itself
// while no line has been accepted yet. Lines whose periods fall from first to last are read from
// the last. Blank lines are passed over without a report; a line is skipped and reported when it
// starts with digits that are no valid period, has fewer or more than seven numbers, a digit group
// of odd length or too long for the places left, digits joined to letters, a number outside
// 1..largest, a repeated number, or a period not above the previous accepted one (or the newest
// stored one). The same draw twice is kept once; two different draws for one period are a
// conflict.
HistoryParseResult parseLines(const QStringList& lines, int proposedPeriod, std::optional<int> newestStored,
                              int largest);

// What is wrong with a draw typed by hand, in words for the user; empty when it can be stored.
// A period is seven digits whose draw part is 001-999.
QString validateDraw(int period, const std::array<int, 7>& numbers, std::optional<int> newestStored,
                     int largest);

// What is wrong with seven numbers (out of 1..largest, repeated), in words; empty when they fit.
QString numbersProblem(const std::array<int, 7>& numbers, int largest);

// A seven-digit period of a year 1900-2099 and a draw 001-999, as files must give it.
bool isFilePeriod(int period);

// Seven numbers as the user is shown a draw: "01 08 13 24 35 43 + 33".
QString shownNumbers(const std::array<int, 7>& numbers);

// Text of a history file: UTF-8 or UTF-16 by byte-order mark or content, else GBK when the
// platform offers it, else Latin-1 (only the ASCII digits matter for the draws).
QString decodeText(const QByteArray& bytes);

// The lines of a decoded text, whatever its line ends (CR LF, LF or CR).
QStringList splitLines(const QString& text);

} // namespace HistoryParser

} // namespace talven
