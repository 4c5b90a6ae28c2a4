#include "evaluation/RunningFigures.h"

#include <QRandomGenerator>
#include <QTest>

using namespace talven;

class TestRunningFigures : public QObject {
    Q_OBJECT

private slots:
    void matchesStatisticsOfEveryCutHistory_data();
    void matchesStatisticsOfEveryCutHistory();
};

void TestRunningFigures::matchesStatisticsOfEveryCutHistory_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("kill");
    QTest::addColumn<int>("window");
    QTest::addColumn<int>("hitPercent");

    QTest::newRow("keep special, no window") << 0 << false << 0 << 10;
    QTest::newRow("kill zodiac, 10") << 1 << true << 10 << 90;
    QTest::newRow("keep tail, 30") << 3 << false << 30 << 50;
    QTest::newRow("kill odd/even, 100") << 5 << true << 100 << 60;
    QTest::newRow("kind out of range") << 16 << false << 10 << 50;
}

// After each draw the snapshot equals the figures of the flags so far computed from scratch.
void TestRunningFigures::matchesStatisticsOfEveryCutHistory() {
    QFETCH(int, kind);
    QFETCH(bool, kill);
    QFETCH(int, window);
    QFETCH(int, hitPercent);
    QRandomGenerator rng(static_cast<quint32>(kind * 131 + window));
    RunningFigures running(kind, kill, 49, window);
    std::vector<std::uint8_t> flags;
    ChanceSums sums{49};
    for (int d = 0; d < 300; ++d) {
        // Long runs of both kinds: the run figures are what an update is most likely to get wrong.
        const bool hit = d > 0 && int(rng.bounded(100)) < hitPercent;
        const int winning = int(rng.bounded(50));
        flags.push_back(hit ? 1 : 0);
        if (d > 0)
            sums.add(winning);
        running.add(hit, winning);

        QCOMPARE(running.draws(), d + 1);
        QCOMPARE(running.figures(), figuresOf(flags, kind, kill));
        const RecentAccuracy expected = recentAccuracy(flags, window);
        QCOMPARE(running.recent().hits, expected.hits);
        QCOMPARE(running.recent().draws, expected.draws);
        QCOMPARE(running.recent().accuracy, expected.accuracy);
        QVERIFY(running.chanceSums() == sums);
        QCOMPARE(running.againstChance().z, chanceFigures(sums, running.figures().hits).z);
    }
}

QTEST_GUILESS_MAIN(TestRunningFigures)
#include "tst_runningfigures.moc"
