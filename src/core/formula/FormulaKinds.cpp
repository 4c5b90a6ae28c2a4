#include "FormulaKinds.h"

#include <array>

namespace talven::FormulaKinds {

namespace {

constexpr std::array<Kind, Count> kinds = {{
    {u"单特类", u"特码", 0, 49},
    {u"生肖类", u"生肖", 12, 12},
    {u"头数类", u"数头", 5, 5},
    {u"尾数类", u"数尾", 9, 9},
    {u"合数类", u"数合", 13, 13},
    {u"单双类", u"码单双", 2, 2},
    {u"合单双", u"合单双", 2, 2},
    {u"畜兽类", u"畜兽", 2, 2},
    {u"半波类", u"半波", 6, 6},
    {u"码段类", u"段数", 5, 5},
    {u"大小类", u"大小", 2, 2},
    {u"波色类", u"波色", 3, 3},
    {u"五行类", u"五行", 5, 5},
    {u"肖位类", u"肖位", 12, 1},
    {u"半单双", u"半单双", 4, 4},
    {u"半头类", u"半头", 10, 10},
}};

} // namespace

const Kind& kind(int maType) {
    return kinds[static_cast<size_t>(maType)];
}

QString name(int maType) {
    return isValid(maType) ? QString::fromUtf16(kinds[static_cast<size_t>(maType)].name) : QString();
}

QString caption(int maType) {
    return isValid(maType) ? QString::fromUtf16(kinds[static_cast<size_t>(maType)].caption) : QString();
}

int fromName(QStringView text) {
    for (int i = 0; i < Count; ++i)
        if (text == QStringView(kinds[static_cast<size_t>(i)].name))
            return i;
    return -1;
}

} // namespace talven::FormulaKinds
