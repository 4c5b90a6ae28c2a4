#include "Commands.h"
#include "TablePrinter.h"

#include "models/ErrorValueModel.h"
#include "session/Session.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

using namespace Qt::StringLiterals;

namespace talven {

namespace {

QJsonArray numberArray(const QString& list) {
    QJsonArray out;
    for (const QString& n : list.split(u' ', Qt::SkipEmptyParts))
        out.append(n.toInt());
    return out;
}

} // namespace

int PredictCommand::run(CommandContext& ctx) {
    const bool json = ctx.isSet(u"json"_s);
    const QString select = ctx.value(u"select"_s);
    const QString at = ctx.value(u"at"_s);
    Session& s = *ctx.session;
    if (ctx.isSet(u"select"_s)) {
        const auto ordinals = parseOrdinals(select, static_cast<int>(s.formulas().size()));
        if (!ordinals)
            return fail(ctx, u"--select 中的序号必须是 1 到 %1 之间的公式序号"_s.arg(s.formulas().size()));
        std::vector<bool> selected(s.formulas().size(), false);
        for (int k : *ordinals)
            selected[static_cast<size_t>(k - 1)] = true;
        s.setSelection(selected);
    }
    std::optional<Period> period;
    if (!at.isNull()) {
        bool ok = false;
        period = Period(at.toInt(&ok));
        if (!ok)
            return fail(ctx, u"期号“%1”不是数字"_s.arg(at));
    }
    auto values = s.predict(period).wait();
    if (!values)
        return fail(ctx, values.error().shown());
    ErrorValueModel model;
    model.setValues(values.value());
    if (json) {
        QJsonArray rows;
        for (const NumberErrorValues& v : model.rows()) {
            QJsonObject o;
            o[u"num"_s] = v.number;
            o[u"ETrrcount"_s] = v.ruledOut;
            o[u"Errcount"_s] = v.ruledOutByKill;
            o[u"Trrcount"_s] = v.ruledOutByKeep;
            o[u"ETrrcountPer"_s] = v.weightedRuledOut;
            o[u"ErrcountPer"_s] = v.weightedRuledOutByKill;
            o[u"TrrcountPer"_s] = v.weightedRuledOutByKeep;
            o[u"mark"_s] = v.ruledOut > 0 ? u"滤杀"_s : u"保留"_s;
            rows.append(o);
        }
        QJsonObject doc;
        doc[u"rows"_s] = rows;
        doc[u"kept"_s] = numberArray(model.keptNumbers());
        doc[u"filtered"_s] = numberArray(model.filteredNumbers());
        ctx.out << QString::fromUtf8(QJsonDocument(doc).toJson(QJsonDocument::Indented));
        return 0;
    }
    ctx.out << (period ? u"第 %1 期之后一期的验算结果："_s.arg(period->value())
                       : u"下一期 %1 的计算结果："_s.arg(s.nextPeriod().value()))
            << Qt::endl;
    printTable(ctx.out, model, model.columnCount());
    ctx.out << u"杀码："_s << model.filteredNumbers() << Qt::endl;
    ctx.out << u"留码："_s << model.keptNumbers() << Qt::endl;
    return 0;
}

} // namespace talven
