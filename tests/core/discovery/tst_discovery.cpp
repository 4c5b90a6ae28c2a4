#include "discovery/CandidateGenerator.h"
#include "discovery/FormulaDiscovery.h"
#include "formula/FormulaInput.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

#include <chrono>
#include <mutex>
#include <thread>

using namespace Qt::StringLiterals;
using namespace talven;

namespace {

// 320 random draws from 2006101 on, 150 a year, so that the held-out draws start a new year.
std::vector<DrawValues> randomHistory(const Options& options) {
    QRandomGenerator rng(4711);
    std::vector<DrawValues> draws;
    int year = 2006, number = 101;
    for (int i = 0; i < 320; ++i) {
        std::array<int, 7> n{};
        for (int k = 0; k < 7; ++k) {
            int v = 0;
            do
                v = rng.bounded(1, 50);
            while (std::find(n.begin(), n.begin() + k, v) != n.begin() + k);
            n[static_cast<size_t>(k)] = v;
        }
        draws.push_back({});
        draws.back()[DrawColumns::QQH] = year * 1000 + number;
        for (int p = 1; p <= 7; ++p)
            draws.back()[static_cast<size_t>(DrawColumns::attribute('L', p, 'A'))] =
                n[static_cast<size_t>(p - 1)];
        if (++number > 150) {
            number = 1;
            ++year;
        }
    }
    return computeDraws(NumberModel(options, currentYearOf(draws)), draws);
}

const std::vector<DrawValues>& history() {
    static const std::vector<DrawValues> draws = randomHistory(Options());
    return draws;
}

FormulaDiscovery discovery() {
    return FormulaDiscovery(NumberModel(Options(), currentYearOf(history())), history());
}

DiscoveryRequest request(int kind, bool kill, int candidates, int top, std::uint64_t seed = 1) {
    DiscoveryRequest r;
    r.kind = kind;
    r.kill = kill;
    r.candidates = candidates;
    r.holdout = 40;
    r.top = top;
    r.seed = seed;
    return r;
}

} // namespace

class TestDiscovery : public QObject {
    Q_OBJECT

private slots:
    void candidatesFollowTheSeed() {
        const CandidateGenerator a(7), b(7), other(8);
        static const QRegularExpression term(u"[A-Z]+[0-9]*[A-Z]*|[0-9]+"_s);
        QSet<QString> seen;
        QList<int> sizes(4, 0);
        int shared = 0;
        for (std::int64_t p = 0; p < 20000; ++p) {
            const QString text = a.at(p);
            QCOMPARE(b.at(p), text);
            if (text.isEmpty())
                continue;
            shared += other.at(p) == text;
            QVERIFY2(!seen.contains(text), qPrintable(text));
            seen.insert(text);
            QVERIFY2(FormulaInput::translateTyped(text), qPrintable(text));
            int terms = 0;
            for (auto it = term.globalMatch(text); it.hasNext();)
                terms += it.next().captured() != u"MOD"_s;
            QVERIFY2(terms >= 1 && terms <= 3, qPrintable(text));
            ++sizes[terms];
        }
        QVERIFY(shared < 100);
        QVERIFY(seen.size() > 8000);
        // Every size from the start, the single terms in full.
        QCOMPARE(sizes[1], int(CandidateGenerator::vocabulary().size()));
        QVERIFY(sizes[2] > 3000 && sizes[3] > 3000);
    }

    void searchIsReproducibleAndRanked_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("kill");
        QTest::newRow("special number, kill") << 0 << true;
        QTest::newRow("zodiac, keep") << 1 << false;
        QTest::newRow("domestic or wild, keep") << 7 << false;
        QTest::newRow("element, kill") << 12 << true;
    }
    void searchIsReproducibleAndRanked() {
        QFETCH(int, kind);
        QFETCH(bool, kill);
        const FormulaDiscovery d = discovery();
        const auto all = d.run(request(kind, kill, 150, 150));
        QVERIFY2(all, qPrintable(all ? QString() : all.message()));
        QCOMPARE(all->tried, 150);
        QVERIFY(!all->cancelled);
        QCOMPARE(all->formulas.size(), 150);
        // Every candidate listed: ranked by in-sample hits, chance the mean of their out-of-sample figures.
        double sum = 0;
        for (qsizetype i = 0; i < all->formulas.size(); ++i) {
            const DiscoveredFormula& f = all->formulas[i];
            QCOMPARE(f.inSample.draws, 280);
            QCOMPARE(f.outOfSample.draws, 40);
            QCOMPARE(f.outOfSample.accuracy, float(f.outOfSample.hits) / 40.0f * 100.0f);
            if (i > 0)
                QVERIFY(all->formulas[i - 1].inSample.hits >= f.inSample.hits);
            sum += f.outOfSample.accuracy;
        }
        QVERIFY(std::abs(all->chance - sum / 150) < 1e-4);

        // Out of sample, the figures against chance are those of the whole history's back-test over
        // the held-out draws, as the list computes them once the formula is added.
        BacktestEngine whole(NumberModel(Options(), currentYearOf(history())));
        whole.setHistory(history());
        QList<FormulaDefinition> added;
        for (int i = 0; i < 10; ++i)
            added.append({FormulaInput::translateTyped(all->formulas[i].formula).value(), kind, kill});
        whole.setFormulas(added);
        whole.run();
        for (int i = 0; i < 10; ++i) {
            const FormulaResult& r = whole.result(i);
            ChanceSums sums{49};
            int hits = 0;
            for (int d = 280; d < 320; ++d) {
                sums.add(whole.winningAt(kind, kill, r.parameters[static_cast<size_t>(d - 1)], d));
                hits += r.hits[static_cast<size_t>(d)];
            }
            const ChanceFigures expected = chanceFigures(sums, hits);
            const ChanceFigures& found = all->formulas[i].outOfSample.againstChance;
            QCOMPARE(hits, all->formulas[i].outOfSample.hits);
            QVERIFY(found.valid);
            QCOMPARE(found.chance, expected.chance);
            QCOMPARE(found.edge, expected.edge);
            QCOMPARE(found.z, expected.z);
        }

        // The same seed keeps the same best; a running top of 10 is the head of the full ranking.
        const auto top = d.run(request(kind, kill, 150, 10));
        QCOMPARE(top->chance, all->chance);
        for (int i = 0; i < 10; ++i) {
            QCOMPARE(top->formulas[i].formula, all->formulas[i].formula);
            QCOMPARE(top->formulas[i].outOfSample.hits, all->formulas[i].outOfSample.hits);
        }
        const auto reseeded = d.run(request(kind, kill, 150, 10, 2));
        QVERIFY(reseeded->formulas.first().formula != top->formulas.first().formula ||
                reseeded->formulas.last().formula != top->formulas.last().formula);
    }

    void refusedRequests_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("candidates");
        QTest::addColumn<int>("holdout");
        QTest::addColumn<int>("top");
        QTest::addColumn<QString>("message");
        QTest::newRow("kind") << 16 << 10 << 10 << 5 << u"公式种类"_s;
        QTest::newRow("no candidates") << 0 << 0 << 10 << 5 << u"候选公式数"_s;
        QTest::newRow("too many") << 0 << DiscoveryRequest::MaxCandidates + 1 << 10 << 5 << u"候选公式数"_s;
        QTest::newRow("no holdout") << 0 << 10 << 0 << 5 << u"留出的期数"_s;
        QTest::newRow("holdout leaves one draw") << 0 << 10 << 319 << 5 << u"留出的期数"_s;
        QTest::newRow("top") << 0 << 10 << 10 << 0 << u"列出的公式数"_s;
    }
    void refusedRequests() {
        QFETCH(int, kind);
        QFETCH(int, candidates);
        QFETCH(int, holdout);
        QFETCH(int, top);
        QFETCH(QString, message);
        DiscoveryRequest r = request(kind, true, candidates, top);
        r.holdout = holdout;
        const auto found = discovery().run(r);
        QVERIFY(!found);
        QVERIFY2(found.message().contains(message), qPrintable(found.message()));
        QVERIFY(!FormulaDiscovery(NumberModel(Options(), 2007), {}).check(request(0, true, 10, 5)));
    }

    void cancelStopsTheSearch() {
        const FormulaDiscovery d = discovery();
        std::atomic<bool> cancel = false;
        using Clock = std::chrono::steady_clock;
        Clock::time_point cancelled;
        std::thread canceller([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            cancelled = Clock::now();
            cancel = true;
        });
        // Reports come from every thread of the search; the count they show never goes back.
        std::mutex guard;
        QList<double> shown;
        const auto progress = [&](double fraction, const QString&) {
            const std::lock_guard lock(guard);
            shown.append(fraction);
        };
        const auto found = d.run(request(0, true, DiscoveryRequest::MaxCandidates, 20), &cancel, progress);
        const Clock::time_point returned = Clock::now();
        canceller.join();
        const auto stopped =
            std::chrono::duration_cast<std::chrono::milliseconds>(returned - cancelled).count();
        QVERIFY(found);
        QVERIFY(found->cancelled);
        QVERIFY(found->tried > 0 && found->tried < DiscoveryRequest::MaxCandidates);
        QVERIFY(shown.size() >= 2);
        QVERIFY(std::is_sorted(shown.begin(), shown.end()));
        QVERIFY2(stopped < 500, qPrintable(QString::number(stopped)));
        QVERIFY(FormulaDiscovery::caution(found.value()).contains(u"已取消"_s));
    }
};

QTEST_GUILESS_MAIN(TestDiscovery)
#include "tst_discovery.moc"
