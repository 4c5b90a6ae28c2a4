#include "Commands.h"
#include "TablePrinter.h"

#include "history/HistoryReader.h"
#include "session/ChangeChains.h"
#include "session/Session.h"

#include <QDir>
#include <QTextStream>

using namespace Qt::StringLiterals;

namespace talven {

namespace {

QString drawLine(const ParsedDraw& d) {
    return u"  %1  %2"_s.arg(d.period).arg(HistoryParser::shownNumbers(d.numbers));
}

// What an import (or an append) of the file would store and pass over; nothing is changed.
int preview(CommandContext& ctx, const QString& path, bool append) {
    const auto file =
        HistoryReader::readFile(path, ctx.session->nextPeriod().value(), ctx.session->options().bit);
    if (!file) {
        ctx.err << file.message() << Qt::endl;
        return 1;
    }
    ctx.out << u"文件：%1"_s.arg(QDir::toNativeSeparators(path)) << Qt::endl;
    ctx.out << u"格式：%1"_s.arg(file->form) << Qt::endl;
    HistoryFile shownFile = file.value();
    if (append) {
        const auto newer = file->newerThan(ChangeChains::storedDraws(ctx.session->draws()), path);
        if (!newer) {
            ctx.err << newer.message() << Qt::endl;
            if (!newer.error().detail.isEmpty())
                ctx.err << newer.error().detail << Qt::endl;
            return 1;
        }
        ctx.out
            << u"将追加 %1 期新开奖，原有 %2 期不变。"_s.arg(newer->size()).arg(ctx.session->draws().size())
            << Qt::endl;
        shownFile.draws = newer.value();
    } else {
        ctx.out << u"将读入 %1 期历史号码，替换原有的 %2 期。"_s.arg(file->draws.size())
                       .arg(ctx.session->draws().size())
                << Qt::endl;
    }
    const QList<ParsedDraw> shown = shownFile.previewDraws();
    for (qsizetype i = 0; i < shown.size(); ++i) {
        if (i == 0)
            ctx.out << (shown.size() < shownFile.draws.size() ? u"最早三期（期号、平码 + 特码）："_s
                                                              : u"各期（期号、平码 + 特码）："_s)
                    << Qt::endl;
        else if (i == 3 && shown.size() < shownFile.draws.size())
            ctx.out << u"最新三期："_s << Qt::endl;
        ctx.out << drawLine(shown[i]) << Qt::endl;
    }
    if (!file->skipped.isEmpty()) {
        ctx.out << u"有 %1 行不能读入："_s.arg(file->skipped.size()) << Qt::endl;
        for (const SkippedLine& s : file->skipped)
            ctx.out << u"  第 %1 行 %2：%3"_s.arg(s.lineNumber).arg(shownLine(s.text), s.reason) << Qt::endl;
    }
    ctx.out << u"（只是预览，数据库未改动）"_s << Qt::endl;
    if (auto refused = file->refusal(path);
        refused && !(ctx.isSet(u"force"_s) && refused->code == ErrorCode::NotHistory)) {
        ctx.err << refused->message << Qt::endl;
        return 1;
    }
    return 0;
}

} // namespace

int ImportHistoryCommand::run(CommandContext& ctx) {
    if (ctx.args.size() != 1)
        return fail(ctx, u"用法：talven-cli import-history FILE [--append] [--dry-run] [--force]"_s);
    const bool append = ctx.isSet(u"append"_s);
    if (ctx.isSet(u"dry-run"_s))
        return preview(ctx, ctx.args.first(), append);
    const bool force = ctx.isSet(u"force"_s);
    auto report = append ? ctx.session->appendHistory(ctx.args.first(), force).wait()
                         : ctx.session->importHistory(ctx.args.first(), force).wait();
    if (!report) {
        if (!report.error().detail.isEmpty())
            ctx.err << report.error().detail << Qt::endl;
        if (report.code() == ErrorCode::NotHistory)
            return fail(ctx, report.message() + u"。如确要读入，请加 --force 再试，或先用 --dry-run 查看"_s);
        return fail(ctx, report.message());
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
