#pragma once

#include "common/Result.h"
#include "lottery/DrawColumns.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <memory>
#include <optional>

#include <vector>

namespace talven {

struct HistoryFile;

// Where a history comes from: a file, or text held in memory (pasted from the clipboard, read from
// standard input) under a name the messages use.
struct ImportSource {
    QString path; // the file, or the name of the text ("剪贴板", "标准输入")
    QByteArray bytes;
    bool inMemory = false;

    static ImportSource file(const QString& path) { return {path, {}, false}; }
    static ImportSource text(const QByteArray& bytes, const QString& name) { return {name, bytes, true}; }
};
struct ParsedDraw;
class SessionState;

// What importing a history file would do, decided once by the session: the import and the append
// store exactly the draws read here, and the window's dialog and the command line's dry run only
// present it.
struct ImportPreview {
    struct ShownDraw {
        int line = 0; // where the user finds it in the file
        int period = 0;
        std::array<int, 7> numbers{};
    };
    struct ShownSkip {
        int line = 0;
        QString text;
        QString reason;
    };

    QString path;
    QString form;                  // how the file was read, in words
    QString sourceName;            // the sheet or list read, when the file holds several; else empty
    QStringList warnings;          // what the user should know before storing (numbers counted on, …)
    int lines = 0;                 // non-blank lines, a title row included
    int fileDraws = 0;             // draws a replace stores
    int storedCount = 0;           // draws stored now
    int replaceDrops = 0;          // stored draws a replace loses (periods the file does not hold)
    QList<int> droppedPeriods;     // the first ten of them
    QList<ShownDraw> firstAndLast; // the file's first and last three draws
    QList<ShownSkip> skipped;      // every line that yields no draw
    QStringList skippedSummary;    // the first 20 of them, then a count per reason
    // Most lines are not draws: a replace must be asked for explicitly (--force, 仍然替换).
    std::optional<Error> notHistory;
    int appendCount = 0;                // draws an append adds
    QList<ShownDraw> appended;          // the first and last three of them
    std::optional<Error> appendRefusal; // why the file cannot be appended; none when it can

    // The file as read, for the change that stores it.
    std::shared_ptr<const HistoryFile> file;

    bool appendAdds() const { return !appendRefusal && appendCount > 0; }
    // Seven numbers as the user is shown a draw: "01 08 13 24 35 43 + 33".
    static QString numbersText(const std::array<int, 7>& numbers);

    // The stored draws as a history file gives them, oldest first.
    static QList<ParsedDraw> storedDraws(const std::vector<DrawValues>& draws);
    // Reads the file and decides against the state; refused when it holds no draw at all.
    static Result<ImportPreview> read(const ImportSource& source, const SessionState& state);
};

} // namespace talven
