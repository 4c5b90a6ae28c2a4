#include "Commands.h"
#include "JsonFigures.h"
#include "TablePrinter.h"

#include "common/FormulaKind.h"
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
            const FormulaFigures& f = res.figures;
            const QString folded = FormulaTranslation::foldExpression(row.code);
            QJsonObject o;
            o[u"idx"_s] = row.idx;
            o[u"code"_s] = row.code;
            o[u"display"_s] = folded;
            o[u"chinese"_s] = FormulaTranslation::chineseForm(folded);
            o[u"kind"_s] = row.kind;
            o[u"kill"_s] = row.kill;
            o[u"selected"_s] = bool(s.selection()[static_cast<size_t>(ordinal - 1)]);
            o[u"hits"_s] = f.hits;
            o[u"draws"_s] = static_cast<int>(s.draws().size());
            o[u"accuracy"_s] = jsonFigure(f.accuracy);
            o[u"maxMiss"_s] = f.longestMissRun;
            o[u"maxHit"_s] = f.longestHitRun;
            o[u"curMiss"_s] = f.currentMissRun;
            o[u"curHit"_s] = f.currentHitRun;
            o[u"perAccuracy"_s] = jsonFigure(f.perNumberAccuracy);
            o[u"perMaxMiss"_s] = jsonFigure(f.perNumberLongestMiss);
            o[u"perMaxHit"_s] = jsonFigure(f.perNumberLongestHit);
            o[u"perCurMiss"_s] = jsonFigure(f.perNumberCurrentMiss);
            o[u"perCurHit"_s] = jsonFigure(f.perNumberCurrentHit);
            o[u"next"_s] = list.index(r, FormulaListModel::NextResult).data().toString();
            for (int window : {10, 30, 100})
                o[u"recent%1"_s.arg(window)] = jsonFigure(recentAccuracy(res.hits, window).accuracy);
            addChanceFigures(o, res.againstChance());
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
