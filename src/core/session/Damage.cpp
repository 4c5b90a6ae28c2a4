#include "Damage.h"

#include "common/FormulaKind.h"
#include "common/Period.h"
#include "lottery/DrawColumns.h"
#include "session/SessionState.h"

#include <array>

using namespace Qt::StringLiterals;

namespace talven::Damage {

QString firstIn(const SessionState& state) {
    const auto& draws = state.draws();
    const QString readOnly = u"，数据库只能查看，不能修改"_s;
    for (size_t i = 0; i < draws.size(); ++i) {
        const int period = draws[i][DrawColumns::QQH];
        if (!Period(period).isValid())
            return u"历史号码第 %1 行的期号 %2 不是七位数字的期号"_s.arg(i + 1).arg(period) + readOnly;
        if (i > 0 && draws[i - 1][DrawColumns::QQH] == period)
            return u"历史号码第 %1 行和第 %2 行的期号都是 %3"_s.arg(i).arg(i + 1).arg(period) + readOnly;
        std::array<bool, 100> seen{};
        for (int p = 1; p <= 7; ++p) {
            // A number above the largest-number setting may be the user's choice; outside 1..99 or
            // text (read as 0) no draw can be.
            const int n = draws[i][static_cast<size_t>(DrawColumns::attribute('L', p, 'A'))];
            if (n < 1 || n > 99)
                return u"第 %1 期（历史号码第 %2 行）的第 %3 个号码 %4 不是 1 到 99 之间的数"_s.arg(period)
                           .arg(i + 1)
                           .arg(p)
                           .arg(n) +
                       readOnly;
            if (seen[static_cast<size_t>(n)])
                return u"第 %1 期（历史号码第 %2 行）的号码 %3 出现了两次"_s.arg(period).arg(i + 1).arg(n) +
                       readOnly;
            seen[static_cast<size_t>(n)] = true;
        }
    }
    for (const FormulaRow& row : state.formulas()) {
        if (row.code.isEmpty())
            return u"第 %1 条公式没有公式文本"_s.arg(row.idx) + readOnly;
        if (!formulaKindOf(row.kind))
            return u"第 %1 条公式的种类 %2 不是 0 到 15"_s.arg(row.idx).arg(row.kind) + readOnly;
    }
    return {};
}

} // namespace talven::Damage
