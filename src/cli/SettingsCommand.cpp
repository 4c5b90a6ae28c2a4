#include "Commands.h"

#include "session/OptionTexts.h"
#include "session/Session.h"

#include <QTextStream>

using namespace Qt::StringLiterals;

namespace talven {

int SettingsCommand::run(CommandContext& ctx) {
    const QStringList& a = ctx.args;
    const auto show = [&ctx](OptionKey key) { return OptionTexts::text(ctx.session->savedOptions(), key); };
    if (a.isEmpty()) {
        for (const OptionKey key : optionKeys)
            ctx.out << OptionTexts::name(key) << u'=' << show(key) << Qt::endl;
        return 0;
    }
    const auto key = OptionTexts::keyNamed(a.first());
    if (!key)
        return fail(ctx, u"没有这个设置项：%1"_s.arg(a.first()));
    if (a.size() == 1) {
        ctx.out << show(*key) << Qt::endl;
        return 0;
    }
    const Result<int> value = OptionTexts::parse(*key, a.at(1));
    if (!value)
        return fail(ctx, value.error().shown());
    if (auto set = ctx.session->setOption(*key, value.value()).wait(); !set)
        return fail(ctx, set.error().shown());
    ctx.out << a.at(0) << u'=' << show(*key) << Qt::endl;
    return 0;
}

} // namespace talven
