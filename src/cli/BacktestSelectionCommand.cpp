#include "Commands.h"
#include "JsonFigures.h"
#include "TablePrinter.h"

#include "evaluation/FormulaFilter.h"
#include "models/SelectionBacktestModel.h"
#include "session/Session.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

using namespace Qt::StringLiterals;

namespace talven {

namespace {

// The keys of `formulas --json` the filter acts on, in the table's order.
QString knownKeys() {
    QStringList keys;
    for (const Figures::Info& figure : Figures::table)
        if (figure.filter != Figures::FilterUse::None)
            keys.append(Figures::jsonKey(figure.key));
    return keys.join(u", "_s);
}

// "recent10、recent30 或 recent100"
QString recentKeys() {
    QStringList keys;
    for (const Figures::Info& figure : Figures::table)
        if (figure.filter == Figures::FilterUse::RecentChoice)
            keys.append(Figures::jsonKey(figure.key));
    const QString last = keys.takeLast();
    return keys.isEmpty() ? last : keys.join(u"、"_s) + u" 或 "_s + last;
}

// The criteria of the --range options; an error names the option that cannot be used.
Result<FormulaFilter::Criteria> parseRanges(const QStringList& texts) {
    FormulaFilter::Criteria criteria = FormulaFilter::Criteria::unbounded();
    QStringList seen;
    for (const QString& text : texts) {
        const QStringList parts = text.split(u':');
        bool lowOk = false, highOk = false;
        const double low = parts.value(1).trimmed().toDouble(&lowOk);
        const double high = parts.value(2).trimmed().toDouble(&highOk);
        if (parts.size() != 3 || !lowOk || !highOk)
            return Error{u"--range “%1”应写成 指标:下限:上限，例如 accuracy:90:100"_s.arg(text)};
        if (low > high)
            return Error{u"--range “%1”的下限大于上限"_s.arg(text)};
        const QString key = parts[0].trimmed();
        if (seen.contains(key))
            return Error{u"--range 重复给出指标 %1"_s.arg(key)};
        seen.append(key);
        const FormulaFilter::Range range{low, high};
        const auto figure = Figures::byJsonKey(key);
        switch (figure ? Figures::info(*figure).filter : Figures::FilterUse::None) {
        case Figures::FilterUse::None:
            return Error{u"--range 中没有指标 %1，可用的指标：%2"_s.arg(key, knownKeys())};
        case Figures::FilterUse::Range:
            criteria.ranges[*figure] = range;
            break;
        case Figures::FilterUse::RecentChoice:
            if (criteria.recent)
                return Error{u"--range 只能给出一个近期正确率（%1）"_s.arg(recentKeys())};
            criteria.recent = FormulaFilter::RecentRange{Figures::info(*figure).window, range};
            break;
        case Figures::FilterUse::OwnRange: // the z-score, the one figure with a range of its own
            criteria.z = range;
            break;
        }
    }
    return criteria;
}

QJsonValue twoDecimalJson(double value) {
    return twoDecimalValue(value);
}

} // namespace

int BacktestSelectionCommand::run(CommandContext& ctx) {
    Session& s = *ctx.session;
    const bool walkForward = ctx.isSet(u"walk-forward"_s);
    const QStringList rangeTexts = ctx.options.values(u"range"_s);
    SelectionBacktestRequest request;
    request.last = 100;
    if (ctx.isSet(u"last"_s) && ctx.isSet(u"all"_s))
        return fail(ctx, u"--last 与 --all 只能选一个"_s);
    if (ctx.isSet(u"all"_s))
        request.last.reset();
    if (ctx.isSet(u"last"_s)) {
        bool ok = false;
        request.last = ctx.value(u"last"_s).toInt(&ok);
        if (!ok || *request.last < 1)
            return fail(ctx, u"--last 必须是正整数"_s);
    }
    if (walkForward) {
        if (ctx.isSet(u"select"_s))
            return fail(ctx, u"--select 与 --walk-forward 只能选一个"_s);
        if (rangeTexts.isEmpty())
            return fail(ctx, u"--walk-forward 需要至少一个 --range 指标:下限:上限"_s);
        auto criteria = parseRanges(rangeTexts);
        if (!criteria)
            return fail(ctx, criteria.error().shown());
        request.mode = SelectionBacktestRequest::Mode::WalkForward;
        request.criteria = criteria.value();
    } else {
        if (!rangeTexts.isEmpty())
            return fail(ctx, u"--range 只用于 --walk-forward"_s);
        request.selection = s.selection();
        if (ctx.isSet(u"select"_s)) {
            const auto ordinals =
                parseOrdinals(ctx.value(u"select"_s), static_cast<int>(s.formulas().size()));
            if (!ordinals)
                return fail(ctx,
                            u"--select 中的序号必须是 1 到 %1 之间的公式序号"_s.arg(s.formulas().size()));
            request.selection.assign(s.formulas().size(), false);
            for (int k : *ordinals)
                request.selection[static_cast<size_t>(k - 1)] = true;
        }
    }

    auto ran = s.backtestSelection(request).wait();
    if (!ran)
        return fail(ctx, ran.error().shown());
    const SelectionBacktestReport& report = ran.value();
    const SelectionSummary& sum = report.summary;

    if (ctx.isSet(u"json"_s)) {
        QJsonObject doc;
        doc[u"mode"_s] = walkForward ? u"walk-forward"_s : u"selection"_s;
        doc[u"largest"_s] = report.largestNumber;
        doc[u"hits"_s] = sum.hits;
        doc[u"draws"_s] = sum.draws;
        addChanceFigures(doc, sum.againstChance);
        const bool any = sum.draws > 0;
        doc[u"rankPercentile"_s] = any ? twoDecimalJson(sum.rankPercentile) : QJsonValue();
        doc[u"top5"_s] = any ? twoDecimalJson(sum.top5) : QJsonValue();
        doc[u"top5Chance"_s] = twoDecimalJson(sum.top5Chance);
        doc[u"top10"_s] = any ? twoDecimalJson(sum.top10) : QJsonValue();
        doc[u"top10Chance"_s] = twoDecimalJson(sum.top10Chance);
        doc[u"meanKept"_s] = any ? twoDecimalJson(sum.meanKept) : QJsonValue();
        doc[u"keptMostlyEmpty"_s] = sum.keptMostlyEmpty;
        QJsonArray skipped;
        for (const SkippedDraw& d : report.skipped)
            skipped.append(QJsonObject{{u"period"_s, d.period}, {u"selected"_s, d.selected}});
        doc[u"skipped"_s] = skipped;
        QJsonArray rows;
        for (const SelectionDrawRow& r : report.rows)
            rows.append(QJsonObject{{u"period"_s, r.period},
                                    {u"special"_s, r.special},
                                    {u"errorValue"_s, r.errorValue},
                                    {u"rank"_s, r.rank},
                                    {u"keptCount"_s, r.keptCount},
                                    {u"hit"_s, r.hit},
                                    {u"selected"_s, r.selected}});
        doc[u"rows"_s] = rows;
        ctx.out << QString::fromUtf8(QJsonDocument(doc).toJson(QJsonDocument::Indented));
        return 0;
    }

    ctx.out << (walkForward ? u"按过滤条件逐期选择（每期只用之前各期的统计）："_s
                            : u"当前选择（样本内：按这些期的成绩选出的公式会高估自己）："_s)
            << Qt::endl;
    ctx.out << SelectionBacktestModel::summaryLine(sum) << Qt::endl;
    if (const QString places = SelectionBacktestModel::placesLine(sum); !places.isEmpty())
        ctx.out << places << Qt::endl;
    if (const QString skipped = SelectionBacktestModel::skippedLine(report.skipped); !skipped.isEmpty())
        ctx.out << skipped << Qt::endl;
    SelectionBacktestModel model;
    model.setReport(report);
    printTable(ctx.out, model, SelectionBacktestModel::ColumnCount);
    return 0;
}

} // namespace talven
