#include "FormulaTranslation.h"

#include "TracedText.h"

#include <algorithm>
#include <array>

using namespace Qt::StringLiterals;

namespace talven {

QString sReplace(const QString& text, QStringView search, QStringView replacement) {
    const qsizetype at = search.isEmpty() ? -1 : text.indexOf(search);
    if (at < 0)
        return text;
    QString result = text;
    result.replace(at, search.size(), replacement.toString());
    return result;
}

QString applyTable(QString text, const QList<Substitution>& table) {
    for (const Substitution& row : table)
        text = sReplace(text, row.search, row.replacement);
    return text;
}

namespace FormulaTranslation {

namespace {

// A term and its code; lettered codes are before + order letter + after.
struct TermRow {
    QString term;
    QString before;
    QString after;
    bool lettered;

    QString code(QStringView letter) const { return lettered ? before + letter + after : before; }
};

struct Pair {
    const char16_t* first;
    const char16_t* second;
};

// Draw totals and period values; each four-character term precedes the three-character term that is
// its prefix.
constexpr std::array<Pair, 20> totalTerms = {{
    {u"平合数", u"PH"},     {u"平合尾", u"PHW"},  {u"平分数", u"PF"},     {u"平分尾", u"PFW"},
    {u"总合数", u"ZH"},     {u"总合尾", u"ZHW"},  {u"总分数", u"ZF"},     {u"总分尾", u"ZFW"},
    {u"平分合尾", u"PFHW"}, {u"平分合", u"PFH"},  {u"总分合尾", u"ZFHW"}, {u"总分合", u"ZFH"},
    {u"总期数", u"QQH"},    {u"年期数", u"BQH"},  {u"期数合", u"QHH"},    {u"期合尾", u"QHHW"},
    {u"期数尾", u"QHW"},    {u"上期数", u"SQQH"}, {u"上期合", u"SQHH"},   {u"上期尾", u"SQHW"},
}};

// The 17 terms of a flat position: prefix + number word + suffix, with the attribute letter; the
// door term (letter 0) is the head digit plus one.
struct BlockTerm {
    const char16_t* prefix;
    const char16_t* suffix;
    char16_t letter;
};

constexpr char16_t Door = 0;

constexpr std::array<BlockTerm, 17> blockTerms = {{
    {u"平码", u"", u'A'},
    {u"平", u"肖", u'B'},
    {u"平", u"波", u'C'},
    {u"", u"五行", u'D'},
    {u"平", u"头", u'E'},
    {u"平", u"门", Door},
    {u"平", u"尾", u'F'},
    {u"平", u"合", u'G'},
    {u"平", u"段", u'H'},
    {u"", u"肖位", u'I'},
    {u"", u"合尾", u'J'},
    {u"", u"单双", u'K'},
    {u"", u"合单", u'L'},
    {u"", u"大小", u'M'},
    {u"", u"半单", u'N'},
    {u"", u"半波", u'P'},
    {u"", u"半头", u'Q'},
}};

constexpr std::array<const char16_t*, 6> numberWords = {u"一", u"二", u"三", u"四", u"五", u"六"};

// The special number's terms, coded order letter + "7" + attribute letter.
constexpr std::array<Pair, 16> specialTerms = {{
    {u"特码数", u"A"},
    {u"特码肖", u"B"},
    {u"特码波", u"C"},
    {u"特五行", u"D"},
    {u"特码头", u"E"},
    {u"特码尾", u"F"},
    {u"特码合", u"G"},
    {u"特码段", u"H"},
    {u"特肖位", u"I"},
    {u"特合尾", u"J"},
    {u"特单双", u"K"},
    {u"特合单", u"L"},
    {u"特大小", u"M"},
    {u"特半单", u"N"},
    {u"特半波", u"P"},
    {u"特半头", u"Q"},
}};

const QList<TermRow>& termRows() {
    static const QList<TermRow> rows = [] {
        QList<TermRow> t;
        for (const Pair& p : totalTerms)
            t.append({QString::fromUtf16(p.first), QString::fromUtf16(p.second), QString(), false});
        for (int i = 1; i <= 6; ++i) {
            const QString word = QString::fromUtf16(numberWords[i - 1]);
            const QString digit = QString::number(i);
            for (const BlockTerm& b : blockTerms) {
                const QString term = QString::fromUtf16(b.prefix) + word + QString::fromUtf16(b.suffix);
                if (b.letter == Door)
                    t.append({term, u"("_s, digit + u"E + 1)"_s, true});
                else
                    t.append({term, QString(), digit + QChar(b.letter), true});
            }
        }
        for (const Pair& p : specialTerms)
            t.append({QString::fromUtf16(p.first), QString(), u"7"_s + QString::fromUtf16(p.second), true});
        return t;
    }();
    return rows;
}

// Expansion of each derived attribute letter; "@" stands for the position (L1 .. D7).
struct Expansion {
    char16_t letter;
    const char16_t* text;
};

constexpr std::array<Expansion, 8> expansions = {{
    {u'K', u"(@A MOD 2)"},
    {u'L', u"(@G MOD 2)"},
    {u'E', u"(@A \\ 10)"},
    {u'F', u"(@A MOD 10)"},
    {u'M', u"0 - (@A >= 25)"},
    {u'N', u"((0 - (@A >= 25)) * 2) + (0 - ((@A MOD 2) = 1))"},
    {u'P', u"(@C * 2) + (0 - ((@A MOD 2) = 1))"},
    {u'Q', u"((@A \\ 10) * 2) + (0 - ((@A MOD 2) = 1))"},
}};

constexpr std::array<Pair, 2> periodExpansions = {{
    {u"BQH", u"(QQH MOD 1000)"},
    {u"QHHW", u"(QHH MOD 1000)"},
}};

// Longer expansions fold before the shorter ones they contain.
constexpr std::array<char16_t, 8> foldOrder = {u'L', u'Q', u'E', u'F', u'N', u'P', u'M', u'K'};

// Rows of one letter over the 14 positions L1..L7, D1..D7, as (code, expansion).
void appendGroup(QList<Substitution>& table, char16_t letter, bool folding) {
    const auto it = std::find_if(expansions.begin(), expansions.end(),
                                 [letter](const Expansion& e) { return e.letter == letter; });
    const QString text = QString::fromUtf16(it->text);
    for (const QChar order : {u'L', u'D'}) {
        for (int position = 1; position <= 7; ++position) {
            const QString place = order + QString::number(position);
            QString expanded = text;
            expanded.replace(u'@', place);
            const QString code = place + QChar(letter);
            table.append(folding ? Substitution{expanded, code} : Substitution{code, expanded});
        }
    }
}

const QList<Substitution>& emptyLetterTerms() {
    static const QList<Substitution> table = termTable(QStringView());
    return table;
}

// Codes without order letter into terms, longest code first so none is replaced inside a longer one.
const QList<Substitution>& backwardTerms() {
    static const QList<Substitution> table = [] {
        QList<Substitution> t;
        for (const Substitution& row : emptyLetterTerms())
            t.append({row.replacement, row.search});
        std::stable_sort(t.begin(), t.end(), [](const Substitution& a, const Substitution& b) {
            return a.search.size() > b.search.size();
        });
        return t;
    }();
    return table;
}

} // namespace

QList<Substitution> termTable(QStringView orderLetter) {
    QList<Substitution> table;
    table.reserve(TermCount);
    for (const TermRow& row : termRows())
        table.append({row.term, row.code(orderLetter)});
    return table;
}

const QList<Substitution>& expansionTable() {
    static const QList<Substitution> table = [] {
        QList<Substitution> t;
        for (const Expansion& e : expansions)
            appendGroup(t, e.letter, false);
        for (const Pair& p : periodExpansions)
            t.append({QString::fromUtf16(p.first), QString::fromUtf16(p.second)});
        return t;
    }();
    return table;
}

const QList<Substitution>& foldTable() {
    static const QList<Substitution> table = [] {
        QList<Substitution> t;
        for (const char16_t letter : foldOrder)
            appendGroup(t, letter, true);
        for (const Pair& p : periodExpansions)
            t.append({QString::fromUtf16(p.second), QString::fromUtf16(p.first)});
        return t;
    }();
    return table;
}

namespace {

void replaceFirst(QString& text, QStringView search, QStringView replacement) {
    const qsizetype at = search.isEmpty() ? -1 : text.indexOf(search);
    if (at >= 0)
        text.replace(at, search.size(), replacement.data(), replacement.size());
}

void replaceFirst(TracedText& text, QStringView search, QStringView replacement) {
    text.replaceFirst(search, replacement);
}

// One definition of each stage for the plain and the traced text, so that both give the same code.
template <typename Text>
void translateTermsIn(Text& text, QStringView orderLetter) {
    for (const TermRow& row : termRows())
        replaceFirst(text, row.term, row.code(orderLetter));
}

template <typename Text>
void expandCodesIn(Text& text) {
    for (const Substitution& row : expansionTable())
        replaceFirst(text, row.search, row.replacement);
}

} // namespace

QString translateTerms(const QString& text, QStringView orderLetter) {
    QString result = text;
    translateTermsIn(result, orderLetter);
    return result;
}

void translateTerms(TracedText& text, QStringView orderLetter) {
    translateTermsIn(text, orderLetter);
}

QString expandCodes(const QString& text) {
    QString result = text;
    expandCodesIn(result);
    return result;
}

void expandCodes(TracedText& text) {
    expandCodesIn(text);
}

QString foldExpression(const QString& stored) {
    return applyTable(stored, foldTable());
}

QString chineseForm(const QString& code) {
    return applyTable(code, backwardTerms());
}

} // namespace FormulaTranslation

} // namespace talven
