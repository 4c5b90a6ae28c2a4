#include "FormulaListRow.h"

#include "FormulaTranslation.h"
#include "common/FormulaKind.h"

using namespace Qt::StringLiterals;

namespace talven {

FormulaListRow FormulaListRow::of(int rowNumber, const FormulaRow& formula) {
    return {QString::number(rowNumber), FormulaTranslation::foldExpression(formula.code),
            formulaKindCaption(formula.kind), killKeepCaption(formula.kill), QString::number(formula.idx)};
}

QString FormulaListRow::killKeepCaption(bool kill) {
    return kill ? u"杀"_s : u"生"_s;
}

} // namespace talven
