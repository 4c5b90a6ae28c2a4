#include "evaluation/FormulaStatistics.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace talven;

class TestFormulaStatistics : public QObject {
    Q_OBJECT

private slots:
    void runs_data();
    void runs();
    void perNumber_data();
    void perNumber();
};

void TestFormulaStatistics::runs_data() {
    QTest::addColumn<QString>("flags"); // oldest first, T right
    QTest::addColumn<QString>("accuracy");
    QTest::addColumn<QList<int>>("runs"); // longest miss, longest hit, current miss, current hit

    QTest::newRow("FTTFTTT") << u"FTTFTTT"_s << u"71.42857% (5/7)"_s << QList<int>{1, 3, 0, 3};
    QTest::newRow("48 misses") << QString(48, u'F') << u"0% (0/48)"_s << QList<int>{48, 0, 48, 0};
    QTest::newRow("ends in misses") << u"TTTFF"_s << u"60% (3/5)"_s << QList<int>{2, 3, 2, 0};
    QTest::newRow("6 of 48") << (QString(42, u'F') + QString(6, u'T')) << u"12.5% (6/48)"_s
                             << QList<int>{42, 6, 0, 6};
    QTest::newRow("25 of 40") << (QString(15, u'F') + QString(25, u'T')) << u"62.5% (25/40)"_s
                              << QList<int>{15, 25, 0, 25};
    QTest::newRow("empty history") << QString() << u"0% (0/0)"_s << QList<int>{0, 0, 0, 0};
}

void TestFormulaStatistics::runs() {
    QFETCH(QString, flags);
    QFETCH(QString, accuracy);
    QFETCH(QList<int>, runs);
    std::vector<std::uint8_t> f;
    for (QChar c : flags)
        f.push_back(c == u'T' ? 1 : 0);
    const FormulaFigures fig = figuresOf(f, 0, false);
    QCOMPARE(fig.accuracyText(static_cast<int>(f.size())), accuracy);
    QCOMPARE((QList<int>{fig.longestMissRun, fig.longestHitRun, fig.currentMissRun, fig.currentHitRun}),
             runs);
}

void TestFormulaStatistics::perNumber_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("kill");
    QTest::addColumn<int>("hits");
    QTest::addColumn<int>("draws");
    QTest::addColumn<int>("longestMiss");
    QTest::addColumn<QString>("accuracy");    // per-number accuracy cell
    QTest::addColumn<QString>("perLongMiss"); // per-number longest miss cell

    QTest::newRow("keep zodiac 24%") << 1 << false << 12 << 50 << 30 << u"2%"_s << u"2.5"_s;
    QTest::newRow("kill odd/even 55%") << 5 << true << 11 << 20 << 4 << u"90%"_s << u"8"_s;
    QTest::newRow("kill special 97.5%") << 0 << true << 39 << 40 << 1 << u"97.5%"_s << u"1"_s;
    QTest::newRow("keep special copies") << 0 << false << 5 << 7 << 1 << u"71.42857%"_s << u"1"_s;
    QTest::newRow("keep tail divides by 9") << 3 << false << 9 << 10 << 3 << u"10%"_s << u"0.3333333"_s;
    QTest::newRow("kill segment times 5") << 9 << true << 1 << 4 << 3 << u"375%"_s << u"15"_s;
    QTest::newRow("kill product not cut") << 4 << true << 0 << 3000 << 3000 << u"1300%"_s << u"39000"_s;
    QTest::newRow("kill empty history") << 5 << true << 0 << 0 << 0 << u"0%"_s << u"0"_s;
    QTest::newRow("unknown kind cleared") << 16 << false << 5 << 10 << 5 << u"0%"_s << u"0"_s;
}

void TestFormulaStatistics::perNumber() {
    QFETCH(int, kind);
    QFETCH(bool, kill);
    QFETCH(int, hits);
    QFETCH(int, draws);
    QFETCH(int, longestMiss);
    QFETCH(QString, accuracy);
    QFETCH(QString, perLongMiss);
    FormulaFigures f;
    f.hits = hits;
    f.longestMissRun = longestMiss;
    f.finish(kind, kill, draws);
    QCOMPARE(f.perNumberAccuracyText(), accuracy);
    QCOMPARE(figureText(f.perNumberLongestMiss), perLongMiss);
}

QTEST_GUILESS_MAIN(TestFormulaStatistics)
#include "tst_formulastatistics.moc"
