#include "Commands.h"
#include "JsonFigures.h"
#include "TablePrinter.h"

#include "common/FormulaKind.h"
#include "common/Limits.h"
#include "discovery/FormulaDiscovery.h"
#include "evaluation/Figures.h"
#include "evaluation/FormulaStatistics.h"
#include "models/DiscoveryResultModel.h"
#include "session/Session.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

#include <algorithm>
#include <climits>
#include <cmath>

using namespace Qt::StringLiterals;

namespace talven {

namespace {

// A whole number option; `absent` when the option is not given, nothing when it is no number.
std::optional<qint64> numberOption(const CommandContext& ctx, const QString& name, qint64 absent) {
    const QString text = ctx.value(name);
    if (text.isNull())
        return absent;
    bool ok = false;
    const qint64 value = text.trimmed().toLongLong(&ok);
    return ok ? std::optional(value) : std::nullopt;
}

// "1,3" -> ranks 1..top; nothing when a part is not one.
std::optional<QList<int>> parseRanks(const QString& text, int top) {
    QList<int> ranks;
    for (const QString& part : text.split(u',', Qt::SkipEmptyParts)) {
        bool ok = false;
        const int k = part.trimmed().toInt(&ok);
        if (!ok || k < 1 || k > top)
            return std::nullopt;
        if (!ranks.contains(k))
            ranks.append(k);
    }
    if (ranks.isEmpty())
        return std::nullopt;
    return ranks;
}

QJsonObject sampleObject(const SampleFigures& f) {
    return {{u"hits"_s, f.hits},
            {u"draws"_s, f.draws},
            {Figures::jsonKey(Figures::Accuracy), Figures::json(Figures::Accuracy, f.accuracy)}};
}

// Out of sample the figures against chance come too; null when absent.
QJsonObject outOfSampleObject(const SampleFigures& f) {
    QJsonObject o = sampleObject(f);
    addChanceFigures(o, f.againstChance);
    return o;
}

} // namespace

int DiscoverCommand::run(CommandContext& ctx) {
    const auto kind = parseKind(ctx.value(u"kind"_s), 0);
    if (!kind)
        return fail(ctx, u"公式种类必须是 0 到 15"_s);
    DiscoveryRequest request;
    request.kind = *kind;
    request.kill = !ctx.isSet(u"keep"_s);
    const auto candidates = numberOption(ctx, u"candidates"_s, request.candidates);
    const auto holdout = numberOption(ctx, u"holdout"_s, request.holdout);
    const auto top = numberOption(ctx, u"top"_s, request.top);
    if (!candidates || !holdout || !top)
        return fail(ctx, u"--candidates、--holdout 和 --top 必须是整数"_s);
    const auto clamp = [](qint64 v) { return static_cast<int>(std::clamp<qint64>(v, -1, INT_MAX)); };
    request.candidates = clamp(*candidates);
    request.holdout = clamp(*holdout);
    request.top = clamp(*top);
    if (const QString seed = ctx.value(u"seed"_s); !seed.isNull()) {
        bool ok = false;
        request.seed = seed.trimmed().toULongLong(&ok);
        if (!ok)
            return fail(ctx, u"种子“%1”必须是非负整数"_s.arg(seed));
    }
    Session& s = *ctx.session;
    const FormulaDiscovery discovery(s.model(), s.draws());
    if (auto valid = discovery.check(request); !valid)
        return fail(ctx, valid.error().shown());
    std::optional<QList<int>> ranks;
    if (const QString add = ctx.value(u"add"_s); !add.isNull()) {
        ranks = parseRanks(add, request.top);
        if (!ranks)
            return fail(ctx, u"--add 中的名次必须是 1 到 %1 之间的整数，用逗号分开"_s.arg(request.top));
        if (!s.readOnlyReason().isEmpty())
            return fail(ctx, s.readOnlyReason());
        if (s.formulas().size() + static_cast<size_t>(ranks->size()) > static_cast<size_t>(MaxFormulas))
            return fail(ctx, u"公式已达上限 %1 条，无法再添加 %2 条"_s.arg(MaxFormulas).arg(ranks->size()));
    }

    const auto found = discovery.run(request);
    if (!found)
        return fail(ctx, found.error().shown());
    const DiscoveryReport& report = found.value();

    QList<int> added; // idx of the added formulas
    if (ranks) {
        QStringList texts;
        for (int k : *ranks) {
            if (k > report.formulas.size())
                return fail(ctx, u"只找到 %1 条公式，没有第 %2 名"_s.arg(report.formulas.size()).arg(k));
            texts.append(report.formulas[k - 1].formula);
        }
        const int before = static_cast<int>(s.formulas().size());
        auto done = s.addFormulas(texts, *formulaKindOf(request.kind), request.kill).wait();
        if (!done)
            return fail(ctx, done.error().shown());
        for (int i = 0; i < done->added; ++i)
            added.append(before + i + 1);
    }

    if (ctx.isSet(u"json"_s)) {
        QJsonArray formulas;
        for (const DiscoveredFormula& f : report.formulas)
            formulas.append(QJsonObject{{u"formula"_s, f.formula},
                                        {u"inSample"_s, sampleObject(f.inSample)},
                                        {u"outOfSample"_s, outOfSampleObject(f.outOfSample)}});
        QJsonObject o{{u"kind"_s, request.kind},
                      {u"kill"_s, request.kill},
                      {u"candidates"_s, report.tried},
                      {u"holdout"_s, request.holdout},
                      {u"seed"_s, QString::number(request.seed)},
                      {u"chance"_s, jsonFigure(report.chance)},
                      {u"seconds"_s, std::round(report.seconds * 1000) / 1000},
                      {u"caution"_s, FormulaDiscovery::caution(report)},
                      {u"formulas"_s, formulas}};
        if (ranks) {
            QJsonArray idx;
            for (int i : added)
                idx.append(i);
            o[u"added"_s] = idx;
        }
        ctx.out << QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Indented));
        return 0;
    }
    const int inSample = static_cast<int>(s.draws().size()) - request.holdout;
    ctx.out
        << u"公式挖掘：%1（%2），试了 %3 条候选公式，样本内为前 %4 期，样本外为最后 %5 期，种子 %6，用时 %7 秒"_s
               .arg(formulaKindCaption(request.kind), request.kill ? u"杀"_s : u"生"_s)
               .arg(report.tried)
               .arg(inSample)
               .arg(request.holdout)
               .arg(request.seed)
               .arg(report.seconds, 0, 'f', 1)
        << Qt::endl;
    DiscoveryResultModel model;
    model.setReport(report);
    printTable(ctx.out, model,
               DiscoveryResultModel::ChineseFormula); // the code form only, as add-formula takes it
    ctx.out << u"候选平均正确率（全部 %1 条候选公式在样本外的平均正确率）：%2%"_s.arg(report.tried)
                   .arg(figureText(static_cast<float>(report.chance)))
            << Qt::endl;
    ctx.out << FormulaDiscovery::caution(report) << Qt::endl;
    if (!added.isEmpty())
        ctx.out
            << u"已添加 %1 条公式，序号 %2 到 %3。"_s.arg(added.size()).arg(added.first()).arg(added.last())
            << Qt::endl;
    return 0;
}

} // namespace talven
