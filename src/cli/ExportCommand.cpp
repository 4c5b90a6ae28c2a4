#include "Commands.h"

#include "export/SpreadsheetExport.h"
#include "models/FormulaListModel.h"
#include "models/HistoryGridModel.h"
#include "session/Session.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>

using namespace Qt::StringLiterals;

namespace talven {

int ExportCommand::run(CommandContext& ctx) {
    const QStringList& args = ctx.args;
    const bool csv = ctx.isSet(u"csv"_s);
    const QString out = ctx.value(u"out"_s);
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
    Result<void> result;
    if (target == Target::ErrorValues) {
        auto values = s.storedErrorValues().wait();
        if (!values)
            return fail(ctx, values.error().shown());
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
    if (!result)
        return fail(ctx, result.error().shown());
    ctx.out << u"已导出到 %1"_s.arg(QDir::toNativeSeparators(path)) << Qt::endl;
    return 0;
}

} // namespace talven
