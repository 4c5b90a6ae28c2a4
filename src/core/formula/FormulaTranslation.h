#pragma once

#include <QList>
#include <QString>
#include <QStringView>

namespace talven {

class TracedText;

// One row of an ordered substitution table: the first occurrence of search becomes replacement.
struct Substitution {
    QString search;
    QString replacement;
};

// Replaces the first occurrence of search (exact, case-sensitive); text unchanged when absent.
QString sReplace(const QString& text, QStringView search, QStringView replacement);

// Applies every row once, in table order, each through sReplace.
QString applyTable(QString text, const QList<Substitution>& table);

// Translation of formulas between the Chinese notation, the code form and the stored expression.
namespace FormulaTranslation {

constexpr int TermCount = 138;
constexpr int ExpansionCount = 114;
constexpr int FoldCount = 114;

// The term table (Chinese term -> code), its codes built with the order letter (may be empty).
QList<Substitution> termTable(QStringView orderLetter);
// The derived codes and their expansions into stored columns, in application order.
const QList<Substitution>& expansionTable();
// The expansions and the codes they fold back to, in the order the list display applies them.
const QList<Substitution>& foldTable();

// Stage 1: Chinese terms into codes with the order letter.
QString translateTerms(const QString& text, QStringView orderLetter);
// Stage 2: derived codes into arithmetic over stored columns.
QString expandCodes(const QString& text);
// The same two stages on a traced text, which then knows where each character of the code was typed.
void translateTerms(TracedText& text, QStringView orderLetter);
void expandCodes(TracedText& text);
// Display form of a stored expression: each expansion folded back into its code.
QString foldExpression(const QString& stored);
// Chinese display form of a code text: codes without their order letter into terms, longest first.
QString chineseForm(const QString& code);

} // namespace FormulaTranslation

} // namespace talven
