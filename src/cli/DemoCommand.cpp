#include "Commands.h"
#include "TablePrinter.h"

#include "models/ErrorValueModel.h"
#include "models/FormulaListModel.h"
#include "models/HistoryGridModel.h"
#include "session/Session.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextStream>

using namespace Qt::StringLiterals;

namespace talven {

namespace {

// The samples built into the program, or those of TALVEN_SAMPLES_DIR when it is set.
QString samplesDir() {
    const QString env = qEnvironmentVariable("TALVEN_SAMPLES_DIR");
    return env.isEmpty() ? u":/samples"_s : env;
}

} // namespace

int DemoCommand::run(CommandContext& ctx) {
    // Always a fresh directory: the demo replaces the history, and a given --data-dir holds the
    // user's own.
    QTemporaryDir temp;
    if (!temp.isValid())
        return fail(ctx, u"无法创建演示用的临时目录：%1"_s.arg(temp.errorString()));
    const QString dir = temp.path();
    // The demo keeps its options apart from the user's.
    QSettings settings(QDir(dir).filePath(u"demo-settings.ini"_s), QSettings::IniFormat);
    auto session = Session::open(dir, settings);
    if (!session)
        return fail(ctx, session.error().shown());
    Session& s = *session.value();

    const QString history = QDir(samplesDir()).filePath(u"history.txt"_s);
    ctx.out << u"== 读取历史号码文本 %1"_s.arg(QDir::toNativeSeparators(history)) << Qt::endl;
    auto imported = s.importHistory(history).wait();
    if (!imported)
        return fail(ctx, imported.error().shown());
    ctx.out << u"已读入 %1 期历史号码（跳过 %2 行），数据目录 %3"_s.arg(imported->stored)
                   .arg(imported->skipped.size())
                   .arg(QDir::toNativeSeparators(dir))
            << Qt::endl;
    ctx.out << u"最近 10 期："_s << Qt::endl;
    HistoryGridModel grid(s);
    printTable(ctx.out, grid, HistoryGridModel::FirstFormula, grid.rowCount() - 10);
    ctx.out << u"下一期：%1，当前年份：%2"_s.arg(s.nextPeriod().value()).arg(s.currentYear()) << Qt::endl;

    const QString formulas = QDir(samplesDir()).filePath(u"formulas.txt"_s);
    ctx.out << Qt::endl
            << u"== 读取公式文本 %1（GBK 编码）"_s.arg(QDir::toNativeSeparators(formulas)) << Qt::endl;
    auto read = s.importFormulas(formulas, true).wait();
    if (!read)
        return fail(ctx, read.error().shown());
    ctx.out << u"已添加 %1 条杀码公式，全部公式已对 %2 期历史验算："_s.arg(read->added).arg(s.draws().size())
            << Qt::endl;
    FormulaListModel list(s);
    printTable(ctx.out, list, FormulaListModel::FormulaNumber);

    ctx.out << Qt::endl << u"== 计算选中公式：下一期 %1"_s.arg(s.nextPeriod().value()) << Qt::endl;
    auto values = s.predict().wait();
    if (!values)
        return fail(ctx, values.error().shown());
    ErrorValueModel ranking;
    ranking.setValues(values.value());
    printTable(ctx.out, ranking, ranking.columnCount());
    ctx.out << u"杀码："_s << ranking.filteredNumbers() << Qt::endl;
    ctx.out << u"留码："_s << ranking.keptNumbers() << Qt::endl;
    return 0;
}

} // namespace talven
