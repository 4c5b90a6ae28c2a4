#include "SessionFixture.h"
#include "discovery/FormulaDiscovery.h"
#include "formula/FormulaInput.h"
#include "models/DiscoveryResultModel.h"

#include <QAbstractItemModelTester>
#include <QTest>

#include <map>
#include <memory>

using namespace Qt::StringLiterals;
using namespace talven;
using namespace talven::test;

// The search's figures are the formula list's: in-sample as a list holding only the history before
// the held-out draws shows them, out-of-sample as the whole history's list shows them once added.
class TestDiscoveryResults : public QObject {
    Q_OBJECT

    Fixture whole;
    std::map<int, std::unique_ptr<Fixture>> cuts; // the sample history without its last draws, by their count

    Fixture& cutBefore(int holdout) {
        auto& cut = cuts[holdout];
        if (cut)
            return *cut;
        cut = std::make_unique<Fixture>();
        QFile file(QStringLiteral(TALVEN_SOURCE_DIR "/samples/history.txt"));
        if (!file.open(QIODevice::ReadOnly) || !cut->reopen())
            qFatal("cannot read the samples");
        QList<QByteArray> lines = file.readAll().trimmed().split('\n');
        lines.resize(lines.size() - holdout);
        if (!cut->importHistory(cut->write(u"cut.txt"_s, lines.join('\n'))))
            qFatal("cannot import the cut history");
        return *cut;
    }

private slots:
    void initTestCase() {
        QVERIFY(whole.reopen());
        QVERIFY(whole.importHistory(QStringLiteral(TALVEN_SOURCE_DIR "/samples/history.txt")));
        QCOMPARE(whole.session->draws().size(), size_t(4051));
    }

    void figuresAreTheListsFigures_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("kill");
        QTest::addColumn<int>("holdout");
        // 200 held-out draws reach into the year before: the shorter history has another current year.
        QTest::newRow("special number, kill") << 0 << true << 100;
        QTest::newRow("zodiac, keep") << 1 << false << 100;
        QTest::newRow("zodiac, keep, year before") << 1 << false << 200;
        QTest::newRow("domestic or wild, keep, year before") << 7 << false << 200;
        QTest::newRow("element, kill, year before") << 12 << true << 200;
    }
    void figuresAreTheListsFigures() {
        QFETCH(int, kind);
        QFETCH(bool, kill);
        QFETCH(int, holdout);
        Fixture& cut = cutBefore(holdout);
        QCOMPARE(cut.session->currentYear() != whole.session->currentYear(), holdout == 200);
        DiscoveryRequest request;
        request.kind = kind;
        request.kill = kill;
        request.candidates = 100;
        request.top = 100; // every candidate, the worst as well as the best
        request.holdout = holdout;
        const Session& s = *whole.session;
        const auto found = FormulaDiscovery(s.model(), s.draws()).run(request);
        QVERIFY(found);
        QStringList texts;
        for (const DiscoveredFormula& f : found->formulas)
            texts.append(f.formula);
        QCOMPARE(texts.size(), 100);

        const int total = static_cast<int>(s.draws().size());
        const int inCount = total - holdout;
        for (Fixture* fixture : {&whole, &cut}) {
            const int before = static_cast<int>(fixture->session->formulas().size());
            const auto added =
                fixture->session->addFormulas(texts, static_cast<FormulaKind>(kind), kill).wait();
            QVERIFY(added);
            QCOMPARE(added->added, 100);
            for (int i = 0; i < texts.size(); ++i) {
                const int ordinal = before + i + 1;
                const DiscoveredFormula& f = found->formulas[i];
                const FormulaRow& row = fixture->session->formulas()[static_cast<size_t>(ordinal - 1)];
                QCOMPARE(row.code, FormulaInput::translateTyped(f.formula).value());
                QCOMPARE(row.kind, kind);
                QCOMPARE(row.kill, kill);
                if (fixture == &cut) {
                    const FormulaFigures& listed = cut.session->result(ordinal).figures;
                    QCOMPARE(f.inSample.draws, inCount);
                    QVERIFY2(listed.hits == f.inSample.hits, qPrintable(f.formula));
                    QCOMPARE(f.inSample.accuracy, listed.accuracy);
                } else {
                    int stored = 0;
                    for (int d = inCount; d < total; ++d)
                        stored += whole.session->resultHit(ordinal, d);
                    QVERIFY2(stored == f.outOfSample.hits, qPrintable(f.formula));
                }
            }
        }
    }

    void checkedRowsAreAddedBestFirst() {
        DiscoveryReport report;
        for (const QString& formula : {u"D1A + 3"_s, u"L7B"_s, u"(D2A * L1K) MOD 7"_s})
            report.formulas.append({formula, {10, 100, 10, {}}, {1, 10, 10, {}}});
        DiscoveryResultModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setReport(report);
        QVERIFY(model.setData(model.index(2, DiscoveryResultModel::Rank), Qt::Checked, Qt::CheckStateRole));
        QVERIFY(model.setData(model.index(0, DiscoveryResultModel::Rank), Qt::Checked, Qt::CheckStateRole));
        QVERIFY(
            !model.setData(model.index(1, DiscoveryResultModel::Formula), Qt::Checked, Qt::CheckStateRole));
        QCOMPARE(model.checkedFormulas(), (QStringList{u"D1A + 3"_s, u"(D2A * L1K) MOD 7"_s}));
        QCOMPARE(model.index(1, DiscoveryResultModel::InSampleHits).data().toString(), u"10/100"_s);
        QCOMPARE(model.index(1, DiscoveryResultModel::OutOfSampleAccuracy).data().toString(), u"10%"_s);
        QCOMPARE(model.index(2, DiscoveryResultModel::ChineseFormula).data().toString(),
                 u"(D平码二 * L一单双) MOD 7"_s);
        model.setReport(report);
        QVERIFY(model.checkedFormulas().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestDiscoveryResults)
#include "tst_discoveryresults.moc"
