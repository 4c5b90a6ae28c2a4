#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>

namespace talven {

// Formulas typed into the entry box or read from a formula text file, translated into stored
// expressions and checked, before anything is written to the formula table.
namespace FormulaInput {

// Message of an exactly empty entry box, and its box title.
QString emptyBoxMessage();
QString emptyBoxTitle();
// Message of a formula that cannot be added, and its box title.
QString unrecognisedMessage();
QString unrecognisedTitle();
// Question asked after a file import that left unrecognised lines.
QString viewReportQuestion();
// File name of the unrecognised-formula report in the program directory.
QString reportFileName();

struct TypedFormula {
    enum class Status { Ok, Empty, Unrecognised };
    Status status = Status::Unrecognised;
    QString code;    // the stored expression when Ok
    QString message; // the message box text when not Ok
    QString reason;  // why the expression cannot be evaluated (for a tooltip or log), may be empty
    bool ok() const { return status == Status::Ok; }
};

// Translates the entry box text. The stored kind is the caller's current kind, not the header's.
TypedFormula translateTyped(const QString& text);

struct AcceptedLine {
    int lineNumber = 0; // 1-based line of the file
    int maType = 0;
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

// Text of a formula file: valid UTF-8 (with or without byte-order mark), else GBK.
QString decodeFile(const QByteArray& bytes);
// Reads every line of a formula file; the kind of a line without a kind header is the previous one's.
FileResult readFile(const QByteArray& bytes);
// Same, from text already decoded.
FileResult readLines(QStringView text);
// Content of the unrecognised-formula report: UTF-8, one line each, CR LF.
QByteArray reportText(const QList<UnrecognisedLine>& lines);

} // namespace FormulaInput

} // namespace talven
