#include "Commands.h"

#include "app/FormulaListModel.h"
#include "app/HistoryGridModel.h"
#include "app/Session.h"
#include "export/SpreadsheetExport.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>

using namespace Qt::StringLiterals;

namespace talven {

int ExportCommand::run(CommandContext& ctx) {
    QStringList args = ctx.args;
    const bool csv = takeFlag(args, u"--csv"_s);
    const QString out = takeOption(args, u"--out"_s);
    const QString what = args.value(0);
    if (args.size() != 1 || !QStringList{u"history"_s, u"formulas"_s, u"errors"_s}.contains(what))
        return fail(ctx, u"用法：talven-cli export history|formulas|errors [--out FILE] [--csv]"_s);
    using SpreadsheetExport::Target;
    const Target target = what == u"history"_s    ? Target::History
                          : what == u"formulas"_s ? Target::Formulas
                                                  : Target::ErrorValues;
    QString path = out.isNull() ? QDir(ctx.dataDir).filePath(SpreadsheetExport::fileName(target)) : out;
    if (csv && out.isNull())
        path = QDir(ctx.dataDir).filePath(QFileInfo(path).completeBaseName() + u".csv"_s);
    Session& s = *ctx.session;
    Status result;
    if (target == Target::ErrorValues) {
        auto values = s.storedErrorValues();
        if (!values)
            return fail(ctx, values.error());
        result = csv ? SpreadsheetExport::writeErrorValuesCsv(values.value(), path)
                     : SpreadsheetExport::writeErrorValuesXlsx(values.value(), path);
    } else if (target == Target::History) {
        HistoryGridModel grid(s);
        grid.setShowFormulas(true);
        result = csv ? SpreadsheetExport::writeCsv(grid, path) : SpreadsheetExport::writeXlsx(grid, path);
    } else {
        FormulaListModel list(s);
        result = csv ? SpreadsheetExport::writeCsv(list, path) : SpreadsheetExport::writeXlsx(list, path);
    }
    if (result)
        return fail(ctx, result->message);
    ctx.out << u"已导出到 %1"_s.arg(QDir::toNativeSeparators(path)) << Qt::endl;
    return 0;
}

} // namespace talven
