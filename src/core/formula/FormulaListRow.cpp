#include "FormulaListRow.h"

#include "FormulaKinds.h"
#include "FormulaTranslation.h"

using namespace Qt::StringLiterals;

namespace talven {

FormulaListRow FormulaListRow::make(int listRow, const QString& gongshi, int maType, bool bolKill, int idx) {
    return {QString::number(listRow), FormulaTranslation::foldExpression(gongshi),
            FormulaKinds::caption(maType), killKeepCaption(bolKill), QString::number(idx)};
}

QString FormulaListRow::killKeepCaption(bool bolKill) {
    return bolKill ? u"杀"_s : u"生"_s;
}

} // namespace talven
