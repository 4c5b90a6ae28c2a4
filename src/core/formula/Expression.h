#pragma once

#include "common/Result.h"

#include <QString>
#include <QStringView>

#include <functional>
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

// Where a part of the parsed text was typed, for the error: the offset the error carries, the
// character number the message gives (1-based) and the typed characters the message quotes.
struct TypedPlace {
    int offset = 0;
    int number = 1;
    QString text;
};

// Maps a part (offset, length) of the parsed text to the text the user typed.
using TypedLocator = std::function<TypedPlace(int offset, int length)>;

// Parses a stored code expression: precedence, tightest first: unary minus; * /; \; MOD; + -; &;
// comparisons; NOT; AND; OR; XOR. Names are draw columns, case-insensitive, bare or in brackets.
// Binary operators group left to right; literals are decimal numbers, TRUE and FALSE; blanks, tabs
// and line breaks separate tokens. Text that cannot be evaluated gives a Chinese error with the
// offset of the fault, counted and quoted in the parsed text or, with a locator, in the typed one.
Result<ExprTree> parseExpression(QStringView text, const TypedLocator& locate = {});

} // namespace talven
