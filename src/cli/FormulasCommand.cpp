#include "Commands.h"
#include "TablePrinter.h"

#include "common/FormulaKind.h"
#include "evaluation/Figures.h"
#include "formula/FormulaTranslation.h"
#include "models/FormulaListModel.h"
#include "session/Session.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

using namespace Qt::StringLiterals;

namespace talven {

int FormulasCommand::run(CommandContext& ctx) {
    const bool json = ctx.isSet(u"json"_s);
    const auto kind = parseKind(ctx.value(u"kind"_s), -1); // all kinds when absent
    if (!kind)
        return fail(ctx, u"公式种类必须是 0 到 15"_s);
    FormulaListModel list(*ctx.session);
    list.setKindFilter(*kind < 0 ? std::nullopt : formulaKindOf(*kind));
    const Session& s = *ctx.session;
    if (json) {
        QJsonArray out;
        for (int r = 0; r < list.rowCount(); ++r) {
            const int ordinal = list.ordinalOfRow(r);
            const FormulaRow& row = s.formulas()[static_cast<size_t>(ordinal - 1)];
            const FormulaResult& res = s.result(ordinal);
            const QString folded = FormulaTranslation::foldExpression(row.code);
            QJsonObject o;
            o[u"idx"_s] = row.idx;
            o[u"code"_s] = row.code;
            o[u"display"_s] = folded;
            o[u"chinese"_s] = FormulaTranslation::chineseForm(folded);
            o[u"kind"_s] = row.kind;
            o[u"kill"_s] = row.kill;
            o[u"selected"_s] = bool(s.selection()[static_cast<size_t>(ordinal - 1)]);
            o[u"hits"_s] = res.figures.hits;
            o[u"draws"_s] = static_cast<int>(s.draws().size());
            o[u"next"_s] = list.index(r, FormulaListModel::NextResult).data().toString();
            for (const Figures::Info& figure : Figures::table)
                o[Figures::jsonKey(figure.key)] = Figures::json(figure.key, Figures::value(res, figure.key));
            o[u"error"_s] = res.error;
            out.append(o);
        }
        ctx.out << QString::fromUtf8(QJsonDocument(out).toJson(QJsonDocument::Indented));
        return 0;
    }
    printTable(ctx.out, list, FormulaListModel::FormulaNumber);
    return 0;
}

} // namespace talven
