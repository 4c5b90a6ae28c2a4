#include "Commands.h"
#include "TablePrinter.h"

#include "common/FormulaKind.h"
#include "common/Limits.h"
#include "session/Session.h"

#include <QDir>
#include <QTextStream>

using namespace Qt::StringLiterals;

namespace talven {

int AddFormulaCommand::run(CommandContext& ctx) {
    const QStringList& args = ctx.args;
    const bool keep = ctx.isSet(u"keep"_s);
    const auto kind = parseKind(ctx.value(u"kind"_s), 0); // the 特码 button when absent
    if (!kind)
        return fail(ctx, u"公式种类必须是 0 到 15"_s);
    if (auto added = ctx.session->addFormula(args.value(0), *formulaKindOf(*kind), !keep).wait(); !added) {
        // The same text as the window's message box and preview: the reason is part of it.
        return fail(ctx, added.error().shown());
    }
    const FormulaRow& row = ctx.session->formulas().back();
    // Added as asked, as a formula file's line is; the warning says it will never predict.
    if (const QString& why = ctx.session->result(row.idx).error;
        !why.isEmpty() && !ctx.session->draws().empty())
        ctx.err << u"警告：该公式在每一期都无法计算（%1）"_s.arg(why) << Qt::endl;
    ctx.out << u"已添加第 %1 条公式：%2（%3，%4）"_s.arg(row.idx).arg(row.code, formulaKindCaption(row.kind),
                                                                      row.kill ? u"杀"_s : u"生"_s)
            << Qt::endl;
    return 0;
}

int ImportFormulasCommand::run(CommandContext& ctx) {
    const QStringList& args = ctx.args;
    const bool keep = ctx.isSet(u"keep"_s);
    if (args.size() != 1)
        return fail(ctx, u"用法：talven-cli import-formulas FILE [--keep]"_s);
    auto report = ctx.session->importFormulas(args.first(), !keep).wait();
    if (!report)
        return fail(ctx, report.error().shown());
    ctx.out << report->summary() << Qt::endl;
    if (!report->overLimit.isEmpty()) {
        QStringList lines;
        for (int l : report->overLimit)
            lines.append(QString::number(l));
        ctx.out << u"公式已达上限 %1 条，以下各行未添加：%2"_s.arg(MaxFormulas).arg(lines.join(u"、"_s))
                << Qt::endl;
    }
    if (!report->unrecognised.isEmpty()) {
        ctx.out << u"公式文本文件中含有无法识别公式，已写入 %1："_s.arg(
                       QDir::toNativeSeparators(report->reportPath))
                << Qt::endl;
        // The first lines only, shortened and without control characters: a wrong file may be binary.
        for (int i = 0; i < report->unrecognised.size() && i < 20; ++i) {
            const auto& [line, text] = report->unrecognised.at(i);
            ctx.out << u"  第 %1 行：%2"_s.arg(line).arg(shownLine(text)) << Qt::endl;
        }
        if (report->unrecognised.size() > 20)
            ctx.out << u"  其余 %1 行见报告文件。"_s.arg(report->unrecognised.size() - 20) << Qt::endl;
    }
    if (report->added == 0)
        return fail(ctx, u"文件 %1 中没有可添加的公式"_s.arg(QDir::toNativeSeparators(args.first())));
    return 0;
}

int DeleteFormulaCommand::run(CommandContext& ctx) {
    bool ok = false;
    const int idx = ctx.args.value(0).toInt(&ok);
    if (ctx.args.size() != 1 || !ok)
        return fail(ctx, u"用法：talven-cli delete-formula IDX"_s);
    if (auto deleted = ctx.session->deleteFormula(idx).wait(); !deleted)
        return fail(ctx, deleted.error().shown());
    ctx.out << u"已删除第 %1 条公式，剩余 %2 条。"_s.arg(idx).arg(ctx.session->formulas().size()) << Qt::endl;
    return 0;
}

} // namespace talven
