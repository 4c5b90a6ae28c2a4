#include "Commands.h"

#include "session/Session.h"
#include "store/Settings.h"

#include <QTextStream>

using namespace Qt::StringLiterals;

namespace talven {

int SettingsCommand::run(CommandContext& ctx) {
    const QStringList& a = ctx.args;
    if (a.isEmpty()) {
        for (const QString& key : Settings::keys())
            ctx.out << key << u'=' << ctx.session->optionText(key) << Qt::endl;
        return 0;
    }
    if (!Settings::keys().contains(a.first()))
        return fail(ctx, u"没有这个设置项：%1"_s.arg(a.first()));
    if (a.size() == 1) {
        ctx.out << ctx.session->optionText(a.first()) << Qt::endl;
        return 0;
    }
    if (a.size() != 2)
        return fail(ctx, u"用法：talven-cli settings [KEY [VALUE]]"_s);
    if (auto set = ctx.session->setOption(a.at(0), a.at(1)).wait(); !set)
        return fail(ctx, set.message());
    ctx.out << a.at(0) << u'=' << ctx.session->optionText(a.at(0)) << Qt::endl;
    return 0;
}

} // namespace talven
