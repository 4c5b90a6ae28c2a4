// libFuzzer harness: any bytes, read as a code expression, a typed formula and a formula file, must
// give either a tree or a Chinese message, never a crash, and never a tree deeper than allowed.
#include "formula/Expression.h"
#include "formula/FormulaInput.h"

#include <QString>

#include <cstdint>
#include <cstdlib>

using namespace talven;

namespace {

int height(const ExprNode* node) {
    if (!node)
        return 0;
    const int below = std::max(height(node->lhs.get()), height(node->rhs.get()));
    return below + 1;
}

void check(bool condition) {
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString text = QString::fromUtf8(bytes);

    const auto parsed = parseExpression(text);
    if (parsed) {
        check(height(parsed.value().get()) <= MaxExpressionHeight);
    } else {
        check(!parsed.message().isEmpty());
        check(parsed.error().position >= 0 && parsed.error().position <= text.size());
    }

    const auto typed = FormulaInput::translateTyped(text);
    check(!typed || !typed.value().isEmpty());
    check(typed || typed.error().position <= text.size());
    if (typed)
        check(parseExpression(typed.value()).ok());

    if (const auto decoded = FormulaInput::decodeFile(bytes)) {
        const FormulaInput::FileResult file = FormulaInput::readLines(*decoded);
        for (const FormulaInput::AcceptedLine& line : file.accepted)
            check(line.maType >= 0 && line.maType < 16 && parseExpression(line.code).ok());
        FormulaInput::reportText(file.unrecognised);
    }
    return 0;
}
