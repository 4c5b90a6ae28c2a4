#include "VocabularyReference.h"

#include <array>
#include <tuple>

using namespace Qt::StringLiterals;

namespace talven::VocabularyReference {

namespace {

// Rows 1..16 (drawn order, letter L) and 25..40 (sorted order, letter D) share attribute letters.
constexpr std::array<char16_t, 16> attributeLetters = {u'A', u'B', u'C', u'D', u'E', u'F', u'G', u'H',
                                                       u'I', u'J', u'K', u'L', u'M', u'N', u'P', u'Q'};

constexpr std::array<const char16_t*, 16> drawnLabels = {
    u"落地码", u"落地肖", u"落地波",   u"落地行",   u"落地头", u"落地尾",   u"落地合", u"落地段",
    u"落肖位", u"落合尾", u"落码单双", u"落合单双", u"落大小", u"落半单双", u"落半波", u"落半头"};

constexpr std::array<const char16_t*, 16> sortedLabels = {
    u"顺序码", u"顺序肖", u"顺序波",   u"顺序行",   u"顺序头", u"顺序尾",   u"顺序合", u"顺序段",
    u"顺肖位", u"顺合尾", u"顺码单双", u"顺合单双", u"顺大小", u"顺半单双", u"顺半波", u"顺半头"};

struct TotalRow {
    int row;
    const char16_t* label;
    const char16_t* code;
};

constexpr std::array<TotalRow, 20> totalRows = {{
    {17, u"平合", u"PH"},        {18, u"平合个位", u"PHW"},  {19, u"平分", u"PF"},
    {20, u"平分个位", u"PFW"},   {21, u"总合", u"ZH"},       {22, u"总合个位", u"ZHW"},
    {23, u"总分", u"ZF"},        {24, u"总分个位", u"ZFW"},  {41, u"本期总期号", u"QQH"},
    {42, u"本期年期号", u"BQH"}, {43, u"本期期合", u"QHH"},  {44, u"本期期合尾", u"QHHW"},
    {45, u"本期期尾", u"QHW"},   {46, u"上期期号", u"SQQH"}, {47, u"上期期合", u"SQHH"},
    {48, u"上期期尾", u"SQHW"},  {49, u"平分合", u"PFH"},    {50, u"平分合尾", u"PFHW"},
    {51, u"总分合", u"ZFH"},     {52, u"总分合尾", u"ZFHW"},
}};

constexpr int FirstDrawnRow = 1;
constexpr int FirstSortedRow = 25;
constexpr int TotalsColumn = 8;

QString headerCell(int column) {
    if (column >= 1 && column <= 6)
        return u"平"_s + QString::number(column) + u"位"_s;
    if (column == 7)
        return u"特位"_s;
    if (column == TotalsColumn)
        return u"总位"_s;
    return {};
}

} // namespace

QString cell(int row, int column) {
    if (row < 0 || row >= RowCount || column < 0 || column >= ColumnCount)
        return {};
    if (row == 0)
        return headerCell(column);
    for (const auto& [first, order, labels] :
         {std::tuple{FirstDrawnRow, u'L', &drawnLabels}, std::tuple{FirstSortedRow, u'D', &sortedLabels}}) {
        const int k = row - first;
        if (k < 0 || k >= int(attributeLetters.size()))
            continue;
        if (column == 0)
            return QString::fromUtf16((*labels)[k]);
        if (column <= 7)
            return QChar(order) + QString::number(column) + QChar(attributeLetters[k]);
        return {};
    }
    for (const TotalRow& t : totalRows) {
        if (t.row != row)
            continue;
        if (column == 0)
            return QString::fromUtf16(t.label);
        if (column == TotalsColumn)
            return QString::fromUtf16(t.code);
        return {};
    }
    return {};
}

QString title() {
    return u"说明"_s;
}

} // namespace talven::VocabularyReference
