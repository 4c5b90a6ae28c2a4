#pragma once

#include "common/Result.h"
#include "formula/Expression.h"
#include "lottery/DrawColumns.h"

#include <QString>

#include <array>
#include <vector>

namespace talven {

// The history as column arrays: one array per DrawColumns index, one entry per draw, oldest
// first. NaN stands for an empty (null) value.
using HistoryColumns = std::array<std::vector<double>, DrawColumns::Count>;

// Evaluates a parsed code expression on a range of draws at once, one column operation per node,
// with the rules of the formula dialect: "/" floating; "\" and MOD round both operands half to even,
// "\" truncates and MOD keeps the dividend's sign; comparisons give -1 or 0; NOT AND OR XOR work
// bitwise on rounded integers with three-valued empty rules; "&" joins decimal texts; an empty
// operand makes arithmetic and comparisons empty.
class ColumnEvaluator {
public:
    explicit ColumnEvaluator(const HistoryColumns& columns) : m_columns(columns) {}

    // Writes the parameter of draws first..first+count-1 into out (NaN for empty). On failure
    // (division by zero, a text that is no number, a value out of range, an unknown column) the
    // error names the first failing period; the contents of out are then unspecified.
    Result<void> evaluate(const ExprNode& root, int first, int count, double* out) const;

private:
    const HistoryColumns& m_columns;
};

// Decimal text of a parameter as "&" joins it: integers in full, other values with up to fifteen
// significant digits; empty for NaN.
QString parameterText(double value);

} // namespace talven
