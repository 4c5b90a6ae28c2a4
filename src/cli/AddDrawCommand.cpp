#include "Commands.h"

#include "session/Session.h"

#include <QTextStream>

using namespace Qt::StringLiterals;

namespace talven {

int AddDrawCommand::run(CommandContext& ctx) {
    const QStringList& args = ctx.args;
    const QString periodText = ctx.value(u"period"_s);
    if (args.size() != 7)
        return fail(ctx, u"请输入七个号码：talven-cli add-draw N1 .. N7 [--period P]"_s);
    std::array<int, 7> numbers{};
    for (int i = 0; i < 7; ++i) {
        bool ok = false;
        numbers[static_cast<size_t>(i)] = args.at(i).toInt(&ok);
        if (!ok)
            return fail(ctx, u"第 %1 个号码“%2”不是数字"_s.arg(i + 1).arg(args.at(i)));
    }
    std::optional<Period> period;
    if (!periodText.isNull()) {
        bool ok = false;
        period = Period(periodText.toInt(&ok));
        if (!ok)
            return fail(ctx, u"期号“%1”不是数字"_s.arg(periodText));
    }
    if (auto added = ctx.session->addDraw(numbers, period).wait(); !added)
        return fail(ctx, added.error().shown());
    const int stored = ctx.session->draw(ctx.session->draws().size() - 1).period().value();
    const Period next = ctx.session->nextPeriod();
    ctx.out << (next.isValid() ? u"已保存第 %1 期，下一期为 %2。"_s.arg(stored).arg(next.value())
                               : u"已保存第 %1 期，没有下一期。"_s.arg(stored))
            << Qt::endl;
    return 0;
}

int DeleteLastDrawCommand::run(CommandContext& ctx) {
    if (ctx.session->draws().empty()) {
        ctx.out << u"历史为空，没有可删除的期号。"_s << Qt::endl;
        return 0;
    }
    const int removed = ctx.session->draw(ctx.session->draws().size() - 1).period().value();
    if (auto deleted = ctx.session->deleteLastDraw().wait(); !deleted)
        return fail(ctx, deleted.error().shown());
    ctx.out << u"已删除第 %1 期。"_s.arg(removed) << Qt::endl;
    return 0;
}

} // namespace talven
