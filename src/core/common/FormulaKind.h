#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <optional>

namespace talven {

// The sixteen formula kinds, by their stored number maType: what a formula's parameter predicts
// for the next draw's special number.
enum class FormulaKind : int {
    SpecialNumber = 0, // 特码
    Zodiac,            // 生肖
    Head,              // 数头
    Tail,              // 数尾
    DigitSum,          // 数合
    OddEven,           // 码单双
    SumOddEven,        // 合单双
    DomesticWild,      // 畜兽
    HalfWave,          // 半波
    Segment,           // 段数
    BigSmall,          // 大小
    Wave,              // 波色
    Element,           // 五行
    ZodiacPosition,    // 肖位
    HalfOddEven,       // 半单双
    HalfHead,          // 半头
};

constexpr int FormulaKindCount = 16;

// What the program knows of a kind besides its rules: its names and its two weights.
struct FormulaKindInfo {
    const char16_t* name;    // kind name of file headers ("单特类")
    const char16_t* caption; // button caption and list text ("特码")
    int factor;              // per-number statistics factor K (0: figures copied unchanged)
    int weight;              // per-number error-value weight w
};

// The table of the kinds, in FormulaKind order.
inline constexpr std::array<FormulaKindInfo, FormulaKindCount> formulaKinds = {{
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

constexpr bool isFormulaKind(int maType) {
    return maType >= 0 && maType < FormulaKindCount;
}

// The kind of a stored maType; none outside 0..15 (a database may hold anything there).
constexpr std::optional<FormulaKind> formulaKindOf(int maType) {
    if (!isFormulaKind(maType))
        return std::nullopt;
    return static_cast<FormulaKind>(maType);
}

constexpr int maTypeOf(FormulaKind kind) {
    return static_cast<int>(kind);
}

constexpr const FormulaKindInfo& formulaKindInfo(FormulaKind kind) {
    return formulaKinds[static_cast<size_t>(kind)];
}

// Header name ("单特类") of a stored maType; empty outside 0..15.
inline QString formulaKindName(int maType) {
    return isFormulaKind(maType) ? QString::fromUtf16(formulaKinds[static_cast<size_t>(maType)].name)
                                 : QString();
}

// Button caption ("特码") of a stored maType; empty outside 0..15.
inline QString formulaKindCaption(int maType) {
    return isFormulaKind(maType) ? QString::fromUtf16(formulaKinds[static_cast<size_t>(maType)].caption)
                                 : QString();
}

inline QString formulaKindCaption(FormulaKind kind) {
    return formulaKindCaption(maTypeOf(kind));
}

// The kind of a header name, compared exactly; none when it is none of the sixteen.
inline std::optional<FormulaKind> formulaKindNamed(QStringView name) {
    for (int i = 0; i < FormulaKindCount; ++i)
        if (name == QStringView(formulaKinds[static_cast<size_t>(i)].name))
            return static_cast<FormulaKind>(i);
    return std::nullopt;
}

} // namespace talven
