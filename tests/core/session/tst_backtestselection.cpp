// The selection back-test run through the session gives what the back-test itself gives.
#include "Samples.h"
#include "SessionFixture.h"

#include <QTest>

using namespace talven;
using namespace talven::test;

class TestBacktestSelection : public QObject {
    Q_OBJECT

private slots:
    void sessionRunEqualsTheCore() {
        Fixture f;
        QVERIFY(f.reopen());
        QVERIFY(f.importHistory(f.write(QStringLiteral("h.txt"), sampleDraws(400))));
        QVERIFY(f.importFormulas(sample("formulas.txt"), true));
        std::vector<bool> some(f.session->formulas().size(), false);
        for (size_t i = 0; i < some.size(); i += 3)
            some[i] = true;
        f.session->setSelection(some);

        using Mode = SelectionBacktestRequest::Mode;
        SelectionBacktestRequest fixed;
        fixed.last = 100;
        SelectionBacktestRequest walk;
        walk.mode = Mode::WalkForward;
        walk.last = 200;
        walk.criteria.ranges[Figures::Accuracy] = {30, 100};
        for (const SelectionBacktestRequest& request : {fixed, walk}) {
            const auto viaSession = f.session->backtestSelection(request).wait();
            QVERIFY(viaSession.ok());
            SelectionBacktestRequest direct = request;
            if (request.mode == Mode::Fixed)
                direct.selection = some;
            const auto core = SelectionBacktest(f.session->state().engine()).run(direct);
            QVERIFY(core.ok());
            QCOMPARE(viaSession.value().rows, core.value().rows);
            QCOMPARE(viaSession.value().skipped, core.value().skipped);
            QCOMPARE(viaSession.value().summary.hits, core.value().summary.hits);
            QVERIFY(!viaSession.value().rows.empty());
        }

        auto cancel = std::make_shared<std::atomic<bool>>(true);
        const auto cancelled = f.session->backtestSelection(walk, cancel).wait();
        QVERIFY(cancelled.ok());
        QVERIFY(cancelled.value().cancelled);
        QVERIFY(!f.session->busy());
    }
};

QTEST_GUILESS_MAIN(TestBacktestSelection)
#include "tst_backtestselection.moc"
