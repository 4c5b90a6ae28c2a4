#pragma once

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

// The kind of a stored maType; none outside 0..15 (a database may hold anything there).
constexpr std::optional<FormulaKind> formulaKindOf(int maType) {
    if (maType < 0 || maType >= FormulaKindCount)
        return std::nullopt;
    return static_cast<FormulaKind>(maType);
}

constexpr int maTypeOf(FormulaKind kind) {
    return static_cast<int>(kind);
}

} // namespace talven
