#pragma once

#include "common/FormulaKind.h"
#include "common/Result.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

namespace talven {

// Formulas typed into the entry box or read from a formula text file, translated into stored
// expressions and checked, before anything is written to the formula table.
namespace FormulaInput {

// Message of an exactly empty entry box.
QString emptyBoxMessage();
// Message of a formula file that holds lines that cannot be added.
QString unrecognisedMessage();
// First sentence of the message of a typed formula that cannot be added.
QString typedUnrecognisedMessage();
// Full-width operators, parentheses and digits, as a Chinese input method types them, in ASCII.
QString asciiOperators(const QString& text);
// File name of the unrecognised-formula report in the program directory.
QString reportFileName();

// Translates the entry box text into the stored expression. An empty box is refused as Empty, a
// text that cannot be evaluated as Unrecognised; the message is the first sentence, then why and,
// where there is one, the fix; the error's detail holds the why alone. The error's position and the
// character numbers and characters the message gives are those of the text as typed. The stored
// kind is the caller's current kind, not the header's.
Result<QString> translateTyped(const QString& text);
// When a typed kind header ("[L生肖类]…") names another kind than the chosen one, the sentence
// that says which kind the formula gets (the chosen one); empty otherwise.
QString headerKindNotice(const QString& text, FormulaKind chosen);

struct AcceptedLine {
    int lineNumber = 0; // 1-based line of the file
    int kind = 0;       // of the header above the line (0 before the first)
    QString code;
};

struct UnrecognisedLine {
    int lineNumber = 0;
    QString text; // as written to the report: the formula after header removal and stage 1
    QString reason;
};

struct FileResult {
    QList<AcceptedLine> accepted;
    QList<UnrecognisedLine> unrecognised;
    bool hasUnrecognised() const { return !unrecognised.isEmpty(); }
};

// Text of a formula file: valid UTF-8 (with or without byte-order mark), else valid GBK. Bytes with
// NUL characters or valid in neither are no formula file: nothing.
std::optional<QString> decodeFile(const QByteArray& bytes);
// Reads every line of a decoded formula file; the kind of a line without a kind header is the
// previous one's.
FileResult readLines(QStringView text);
// Content of the unrecognised-formula report: UTF-8, one line each, CR LF.
QByteArray reportText(const QList<UnrecognisedLine>& lines);

} // namespace FormulaInput

} // namespace talven
