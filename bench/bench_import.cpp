// Times a history import of 5,000 synthetic draws into a database whose formula list fills all
// 31 history tables (1,536 formulas), back-test and storing of every result included.
#include "BenchData.h"
#include "common/FormulaKind.h"
#include "session/Session.h"
#include "store/Database.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>
#include <random>

using namespace talven;
using namespace talven::bench;
using namespace Qt::StringLiterals;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    QSettings settings(dir.filePath(u"bench.ini"_s), QSettings::IniFormat);
    auto session = Session::open(dir.path(), settings);
    if (!session) {
        std::fprintf(stderr, "%s\n", qPrintable(session.message()));
        return 1;
    }
    Session& s = *session.value();
    QElapsedTimer t;
    t.start();
    auto formulas = s.importFormulas(formulaFile(dir.path(), Database::MaxFormulas), true).wait();
    std::printf("read 1536 formulas into an empty history: %lld ms (%d added)\n", t.elapsed(),
                formulas ? formulas->added : -1);
    const QString history = historyFile(dir.path(), 5000);
    t.restart();
    auto imported = s.importHistory(history).wait();
    std::printf("import 5000 draws into 31 history tables, back-test of 1536 formulas and storing included: "
                "%lld ms (%d stored)\n",
                t.elapsed(), imported ? imported->stored : -1);
    t.restart();
    (void)s.addDraw({1, 2, 3, 4, 5, 6, 7}).wait();
    std::printf("add one draw (back-test and storing included): %lld ms\n", t.elapsed());

    t.restart();
    (void)s.deleteLastDraw().wait();
    std::printf("delete the last draw (back-test and storing included): %lld ms\n", t.elapsed());
    t.restart();
    (void)s.addDraw({1, 2, 3, 4, 5, 6, 7}, Period::firstOfYear(s.currentYear() + 1)).wait();
    std::printf("add a new year's first draw (every row rewritten): %lld ms\n", t.elapsed());
    t.restart();
    (void)s.deleteLastDraw().wait();
    std::printf("delete it again, back across the year end (every row rewritten): %lld ms\n", t.elapsed());
    t.restart();
    (void)s.setOption(OptionKey::SpecialPlusOne, 1).wait();
    std::printf(
        "full back-test after switching the special-number plus one (changed results stored): %lld ms\n",
        t.elapsed());
    t.restart();
    (void)s.deleteFormula(1).wait();
    std::printf("delete formula 1 (results of later formulas move, storing included): %lld ms\n",
                t.elapsed());
    t.restart();
    (void)s.addFormula(u"[D生肖类]平一肖+总期数"_s, FormulaKind::Zodiac, true).wait();
    std::printf("add one formula (back-test and storing included): %lld ms\n", t.elapsed());
    std::printf("database size: %.1f MB\n",
                QFile(QDir(s.dataDir()).filePath(QString::fromLatin1(Database::FileName))).size() /
                    1048576.0);
    session.value().reset();
    t.restart();
    auto reopened = Session::open(dir.path(), settings);
    std::printf("start-up with this database (stored results read and checked): %lld ms\n", t.elapsed());
    return reopened ? 0 : 1;
}
