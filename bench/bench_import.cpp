// Times a history import of 5,000 synthetic draws into a database whose formula list fills all
// 31 history tables (1,536 formulas), back-test and storing of every result included.
#include "formula/FormulaKinds.h"
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
using namespace Qt::StringLiterals;

namespace {

QString historyFile(const QString& dir, int draws) {
    std::mt19937 rng(20261208);
    QString text;
    int year = 2000, number = 1;
    for (int i = 0; i < draws; ++i) {
        std::vector<int> pool(49);
        for (int n = 0; n < 49; ++n)
            pool[static_cast<size_t>(n)] = n + 1;
        std::shuffle(pool.begin(), pool.end(), rng);
        text += QString::number(year * 1000 + number);
        for (int k = 0; k < 7; ++k)
            text += u' ' + u"%1"_s.arg(pool[static_cast<size_t>(k)], 2, 10, QLatin1Char('0'));
        text += u'\n';
        if (++number > 150) {
            number = 1;
            ++year;
        }
    }
    const QString path = QDir(dir).filePath(u"history.txt"_s);
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(text.toUtf8());
    return path;
}

QString formulaFile(const QString& dir, int count) {
    // Two different terms per formula: a term is translated at its first occurrence only.
    const char* terms[] = {"特码数", "平码一", "平二肖", "平三波", "总期数",
                           "平合数", "总分数", "期数尾", "特码合", "平六段"};
    std::mt19937 rng(7);
    QString text;
    for (int i = 0; i < count; ++i) {
        const int kind = i % FormulaKinds::Count;
        const unsigned a = rng() % 10, b = (a + 1 + rng() % 9) % 10;
        text += u"[D"_s + FormulaKinds::name(kind) + u']';
        text += QString::fromUtf8(terms[a]) + u'+' + QString::fromUtf8(terms[b]) + u"*"_s +
                QString::number(rng() % 9 + 1) + u'\n';
    }
    const QString path = QDir(dir).filePath(u"formulas.txt"_s);
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(text.toUtf8());
    return path;
}

} // namespace

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
    (void)s.setOption(u"MaAddIni"_s, u"True"_s).wait();
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
    std::printf("database size: %.1f MB\n", QFile(s.database().path()).size() / 1048576.0);
    session.value().reset();
    t.restart();
    auto reopened = Session::open(dir.path(), settings);
    std::printf("start-up with this database (stored results read and checked): %lld ms\n", t.elapsed());
    return reopened ? 0 : 1;
}
