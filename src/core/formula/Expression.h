#pragma once

#include "common/Result.h"

#include <QString>
#include <QStringView>

#include <memory>

namespace talven {

// Parsed code expression in the formula dialect. Column references are indexes of DrawColumns.
struct ExprNode {
    enum class Kind { Number, Column, Negate, Not, Binary };
    enum class Op { Add, Sub, Mul, Div, IntDiv, Mod, Concat, Eq, Ne, Lt, Gt, Le, Ge, And, Or, Xor };

    Kind kind = Kind::Number;
    Op op = Op::Add;               // Binary only
    double number = 0;             // Number only (TRUE is -1, FALSE is 0)
    int column = -1;               // Column only
    std::unique_ptr<ExprNode> lhs; // Binary left operand; Negate/Not operand
    std::unique_ptr<ExprNode> rhs; // Binary right operand
};

// A parsed expression; immutable, so that copies of the back-test share it.
using ExprTree = std::shared_ptr<const ExprNode>;

// Deepest nesting of brackets, unary minus and NOT that the parser follows; deeper text is refused.
constexpr int MaxExpressionNesting = 100;
// Greatest height of a parsed tree, so that evaluating or freeing it recurses only so far.
constexpr int MaxExpressionHeight = 1000;

// Parses a stored code expression: precedence, tightest first: unary minus; * /; \; MOD; + -; &;
// comparisons; NOT; AND; OR; XOR. Names are draw columns, case-insensitive, bare or in brackets.
// Binary operators group left to right; literals are decimal numbers, TRUE and FALSE; blanks, tabs
// and line breaks separate tokens. Text that cannot be evaluated gives a Chinese error with the
// offset of the fault.
Result<ExprTree> parseExpression(QStringView text);

} // namespace talven
