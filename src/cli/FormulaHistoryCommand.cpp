#include "Commands.h"

#include "evaluation/FormulaStatistics.h"
#include "session/Session.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

using namespace Qt::StringLiterals;

namespace talven {

namespace {

QJsonObject runObject(const HitHistory::Run& run, const QList<int>& periods) {
    QJsonObject o;
    o[u"hit"_s] = run.hit;
    o[u"length"_s] = run.length;
    o[u"from"_s] = run.length > 0 ? periods.value(run.start) : 0;
    o[u"to"_s] = run.length > 0 ? periods.value(run.start + run.length - 1) : 0;
    return o;
}

QString runText(const HitHistory::Run& run, const QList<int>& periods) {
    if (run.length == 0)
        return u"无"_s;
    return u"%1 期（%2 至 %3）"_s.arg(run.length)
        .arg(periods.value(run.start))
        .arg(periods.value(run.start + run.length - 1));
}

} // namespace

int FormulaHistoryCommand::run(CommandContext& ctx) {
    bool ok = false;
    const int idx = ctx.args.value(0).toInt(&ok);
    const QString lastText = ctx.value(u"last"_s);
    bool lastOk = true;
    const int last = lastText.isNull() ? 100 : lastText.toInt(&lastOk);
    if (ctx.args.size() != 1 || !ok || !lastOk || last < 1)
        return fail(ctx, u"用法：talven-cli formula-history IDX [--last N] [--json]"_s);
    const Session& s = *ctx.session;
    const auto& formulas = s.formulas();
    const auto found =
        std::find_if(formulas.begin(), formulas.end(), [idx](const FormulaRow& r) { return r.idx == idx; });
    if (found == formulas.end())
        return fail(ctx, u"没有序号为 %1 的公式"_s.arg(idx));
    const int ordinal = static_cast<int>(found - formulas.begin()) + 1;
    const HitHistory h = hitHistory(s.result(ordinal).hits, last);
    QList<int> periods;
    for (size_t i = 0; i < h.hits.size(); ++i)
        periods.append(s.draw(static_cast<size_t>(h.firstDraw) + i).period().value());
    if (ctx.isSet(u"json"_s)) {
        QJsonArray draws;
        for (size_t i = 0; i < h.hits.size(); ++i) {
            QJsonObject d;
            d[u"period"_s] = periods[static_cast<qsizetype>(i)];
            d[u"hit"_s] = bool(h.hits[i]);
            d[u"rolling10"_s] = figureText(h.rolling10[i]).toDouble();
            d[u"rolling30"_s] = figureText(h.rolling30[i]).toDouble();
            d[u"rolling100"_s] = figureText(h.rolling100[i]).toDouble();
            draws.append(d);
        }
        QJsonObject o;
        o[u"idx"_s] = idx;
        o[u"draws"_s] = draws;
        o[u"longestHitRun"_s] = runObject(h.longestHitRun, periods);
        o[u"longestMissRun"_s] = runObject(h.longestMissRun, periods);
        o[u"currentRun"_s] = runObject(h.currentRun, periods);
        ctx.out << QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Indented));
        return 0;
    }
    ctx.out << u"公式 %1 最近 %2 期（对为 ●，错为 ○）："_s.arg(idx).arg(h.hits.size()) << Qt::endl;
    QString strip;
    for (bool hit : h.hits)
        strip += hit ? u'●' : u'○';
    ctx.out << strip << Qt::endl;
    ctx.out << u"其中最长连对：%1；最长连错：%2；当前%3：%4"_s.arg(
                   runText(h.longestHitRun, periods), runText(h.longestMissRun, periods),
                   h.currentRun.hit ? u"连对"_s : u"连错"_s, runText(h.currentRun, periods))
            << Qt::endl;
    if (!h.hits.empty())
        ctx.out << u"到 %1 期为止：近10期正确率 %2%，近30期 %3%，近100期 %4%"_s.arg(periods.last())
                       .arg(figureText(h.rolling10.back()), figureText(h.rolling30.back()),
                            figureText(h.rolling100.back()))
                << Qt::endl;
    return 0;
}

} // namespace talven
