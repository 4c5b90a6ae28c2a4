#pragma once

#include <QList>

#include <array>

namespace talven {

// How many selected formulas rule one number out for the draw being predicted ("Err值"), plain and
// weighted by the formula kind.
struct NumberErrorValues {
    int number = 0;
    int ruledOut = 0;               // by kill and keep formulas
    int ruledOutByKill = 0;         // by kill formulas
    int ruledOutByKeep = 0;         // by keep formulas
    int weightedRuledOut = 0;       // weighted, by kill and keep formulas
    int weightedRuledOutByKill = 0; // weighted, by kill formulas
    int weightedRuledOutByKeep = 0; // weighted, by keep formulas

    bool operator==(const NumberErrorValues&) const = default;
};

// The error values of the numbers 1..N, ascending: row i holds number i + 1.
// Kept free of compiled code so that the export can use it without linking the prediction.
using ErrorValueTable = QList<NumberErrorValues>;

// The titles of the rank, the number and the six values, as the lists and the export head them.
inline constexpr std::array<const char16_t*, 8> errorValueTitleTexts = {
    u"排序序号",
    u"号码",
    u"杀留Err值（公式错误值）",
    u"杀码Err值（公式错误值）",
    u"留码Err值（公式错误值）",
    u"每码杀留Err值（公式错误值）",
    u"每码杀码Err值（公式错误值）",
    u"每码留码Err值（公式错误值）",
};

inline ErrorValueTable emptyErrorValues(int largestNumber) {
    ErrorValueTable table;
    for (int n = 1; n <= largestNumber; ++n)
        table.append(NumberErrorValues{.number = n});
    return table;
}

} // namespace talven
