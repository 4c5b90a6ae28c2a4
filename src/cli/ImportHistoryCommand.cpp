#include "Commands.h"
#include "TablePrinter.h"

#include "common/ShownText.h"
#include "session/Session.h"

#include <QDir>
#include <QFile>
#include <QTextStream>

using namespace Qt::StringLiterals;

namespace talven {

namespace {

QString drawLine(const ImportPreview::ShownDraw& d) {
    return u"  %1  %2"_s.arg(d.period).arg(ImportPreview::numbersText(d.numbers));
}

void printDraws(CommandContext& ctx, const QList<ImportPreview::ShownDraw>& shown, int total) {
    for (qsizetype i = 0; i < shown.size(); ++i) {
        if (i == 0)
            ctx.out << (shown.size() < total ? u"最早三期（期号、平码 + 特码）："_s
                                             : u"各期（期号、平码 + 特码）："_s)
                    << Qt::endl;
        else if (i == 3 && shown.size() < total)
            ctx.out << u"最新三期："_s << Qt::endl;
        ctx.out << drawLine(shown[i]) << Qt::endl;
    }
}

int failWith(CommandContext& ctx, const Error& error) {
    if (!error.detail.isEmpty())
        ctx.err << error.detail << Qt::endl;
    ctx.err << error.shown() << Qt::endl;
    return 1;
}

// What an import (or an append) of the file would store and pass over; nothing is changed.
int presentPreview(CommandContext& ctx, const ImportPreview& p, bool append) {
    ctx.out << u"文件：%1"_s.arg(shownText(QDir::toNativeSeparators(p.path))) << Qt::endl;
    ctx.out << u"格式：%1"_s.arg(p.form) << Qt::endl;
    if (!p.sourceName.isEmpty())
        ctx.out << u"读入：%1"_s.arg(p.sourceName) << Qt::endl;
    for (const QString& warning : p.warnings)
        ctx.out << warning << Qt::endl;
    if (append) {
        if (p.appendRefusal) {
            ctx.err << p.appendRefusal->shown() << Qt::endl;
            if (!p.appendRefusal->detail.isEmpty())
                ctx.err << p.appendRefusal->detail << Qt::endl;
            return 1;
        }
        ctx.out << u"将追加 %1 期新开奖，原有 %2 期不变。"_s.arg(p.appendCount).arg(p.storedCount)
                << Qt::endl;
        printDraws(ctx, p.appended, p.appendCount);
    } else {
        ctx.out << u"将读入 %1 期历史号码，替换原有的 %2 期。"_s.arg(p.fileDraws).arg(p.storedCount)
                << Qt::endl;
        printDraws(ctx, p.firstAndLast, p.fileDraws);
    }
    if (!p.skipped.isEmpty()) {
        ctx.out << u"有 %1 行不能读入："_s.arg(p.skipped.size()) << Qt::endl;
        // Twenty lines and a count per reason; --verbose lists every one.
        if (ctx.isSet(u"verbose"_s))
            for (const ImportPreview::ShownSkip& s : p.skipped)
                ctx.out << u"  第 %1 行 %2：%3"_s.arg(s.line).arg(shownLine(s.text), s.reason) << Qt::endl;
        else
            for (const QString& line : p.skippedSummary)
                ctx.out << u"  "_s << line << Qt::endl;
    }
    ctx.out << u"（只是预览，数据库未改动）"_s << Qt::endl;
    if (p.notHistory && !ctx.isSet(u"force"_s)) {
        ctx.err << p.notHistory->shown() << Qt::endl;
        return 1;
    }
    return 0;
}

} // namespace

int ImportHistoryCommand::run(CommandContext& ctx) {
    if (ctx.args.size() != 1)
        return fail(ctx, u"用法：talven-cli import-history FILE [--append] [--dry-run] [--force]"_s);
    const bool append = ctx.isSet(u"append"_s);
    const bool force = ctx.isSet(u"force"_s);
    // The file is read once, by the session; the change stores exactly what was read. "-" is
    // standard input, as other tools take it.
    ImportSource source = ImportSource::file(ctx.args.first());
    if (ctx.args.first() == u"-"_s) {
        QFile in;
        if (!in.open(stdin, QIODevice::ReadOnly))
            return fail(ctx, u"无法读取标准输入"_s);
        // A history is well under 64 MB; more is no history and is not held in memory.
        constexpr qint64 limit = 64 * 1024 * 1024;
        const QByteArray bytes = in.read(limit + 1);
        if (bytes.size() > limit)
            return fail(ctx, u"标准输入大于 64 MB，不是历史号码，数据库未改动"_s);
        source = ImportSource::text(bytes, u"标准输入"_s);
    }
    const auto preview = ctx.session->previewImport(source).wait();
    if (!preview)
        return failWith(ctx, preview.error());
    if (ctx.isSet(u"dry-run"_s))
        return presentPreview(ctx, preview.value(), append);
    auto report = append ? ctx.session->appendHistory(preview.value(), force).wait()
                         : ctx.session->importHistory(preview.value(), force).wait();
    if (!report) {
        if (!report.error().detail.isEmpty())
            ctx.err << report.error().detail << Qt::endl;
        if (report.code() == ErrorCode::NotHistory)
            return fail(ctx, report.message() + u"。如确要读入，请加 --force 再试，或先用 --dry-run 查看"_s);
        return fail(ctx, report.error().shown());
    }
    if (append)
        ctx.out << u"已追加 %1 期新开奖，共 %2 期。"_s.arg(report->stored).arg(ctx.session->draws().size())
                << Qt::endl;
    else
        ctx.out << u"已读入 %1 期历史号码。"_s.arg(report->stored) << Qt::endl;
    if (!report->skipped.isEmpty()) {
        ctx.out << u"有 %1 行未读入："_s.arg(report->skipped.size()) << Qt::endl;
        for (int i = 0; i < report->skipped.size() && i < 20; ++i) {
            const auto& s = report->skipped.at(i);
            ctx.out << u"  第 %1 行 %2：%3"_s.arg(s.line).arg(shownLine(s.text), s.reason) << Qt::endl;
        }
    }
    // The history is in, but the user no longer has the backup they count on: not a plain success.
    if (!report->backupProblem.isEmpty())
        return fail(ctx, u"历史号码已读入，但读入前的数据库未能存为备份：%1"_s.arg(report->backupProblem));
    return 0;
}

} // namespace talven
