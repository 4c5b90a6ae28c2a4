#include "Commands.h"
#include "TablePrinter.h"

#include "models/HistoryGridModel.h"
#include "session/Session.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

using namespace Qt::StringLiterals;

namespace talven {

namespace {

QString nextPeriodText(const Session& session) {
    const Period next = session.nextPeriod();
    return next.isValid() ? next.toString() : u"无"_s;
}

} // namespace

int HistoryCommand::run(CommandContext& ctx) {
    const bool json = ctx.isSet(u"json"_s);
    HistoryGridModel grid(*ctx.session);
    const int rows = grid.rowCount();
    if (json) {
        QJsonArray list;
        for (int r = 0; r < rows; ++r) {
            QJsonObject o;
            o[u"period"_s] = grid.index(r, HistoryGridModel::Period).data().toString().toInt();
            QJsonArray numbers;
            for (int c = HistoryGridModel::FirstNumber; c <= HistoryGridModel::Special; ++c)
                numbers.append(grid.index(r, c).data().toString().toInt());
            o[u"numbers"_s] = numbers;
            o[u"zodiac"_s] = grid.index(r, HistoryGridModel::Zodiac).data().toString();
            o[u"wave"_s] = grid.index(r, HistoryGridModel::Wave).data().toString();
            o[u"element"_s] = grid.index(r, HistoryGridModel::Element).data().toString();
            list.append(o);
        }
        ctx.out << QString::fromUtf8(QJsonDocument(list).toJson(QJsonDocument::Indented));
        return 0;
    }
    printTable(ctx.out, grid, HistoryGridModel::FirstFormula);
    ctx.out << u"共 %1 期，下一期 %2。"_s.arg(rows).arg(nextPeriodText(*ctx.session)) << Qt::endl;
    return 0;
}

} // namespace talven
