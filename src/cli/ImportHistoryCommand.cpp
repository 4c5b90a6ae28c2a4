#include "Commands.h"
#include "TablePrinter.h"

#include "session/Session.h"

#include <QTextStream>

using namespace Qt::StringLiterals;

namespace talven {

int ImportHistoryCommand::run(CommandContext& ctx) {
    if (ctx.args.size() != 1)
        return fail(ctx, u"用法：talven-cli import-history FILE"_s);
    auto report = ctx.session->importHistory(ctx.args.first()).wait();
    if (!report)
        return fail(ctx, report.message());
    ctx.out << u"已读入 %1 期历史号码。"_s.arg(report->stored) << Qt::endl;
    if (!report->skipped.isEmpty()) {
        ctx.out << u"有 %1 行未读入："_s.arg(report->skipped.size()) << Qt::endl;
        for (int i = 0; i < report->skipped.size() && i < 20; ++i) {
            const auto& s = report->skipped.at(i);
            ctx.out << u"  第 %1 行 %2：%3"_s.arg(s.line).arg(shownLine(s.text), s.reason) << Qt::endl;
        }
    }
    return 0;
}

} // namespace talven
