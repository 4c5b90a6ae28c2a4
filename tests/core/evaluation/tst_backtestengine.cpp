#include "evaluation/BacktestEngine.h"

#include <QRandomGenerator>
#include <QTest>

#include <cmath>

using namespace Qt::StringLiterals;
using namespace talven;

Q_DECLARE_METATYPE(talven::FormulaDefinition)

namespace {

NumberModel model2007() {
    return NumberModel(Options(), 2007);
}

// Draws 2007001.. with the given special numbers and fixed flat numbers.
std::vector<DrawValues> drawsWithSpecials(const QList<int>& specials) {
    const NumberModel model = model2007();
    std::vector<DrawValues> draws;
    int period = 2007001;
    for (int s : specials)
        draws.push_back(model.computeDraw(period++, {11, 12, 13, 14, 16, 18, s}));
    return draws;
}

std::vector<DrawValues> randomDraws(int count, quint32 seed) {
    QRandomGenerator rng(seed);
    QList<int> specials;
    for (int i = 0; i < count; ++i)
        specials.append(rng.bounded(1, 50));
    return drawsWithSpecials(specials);
}

QString hitText(const FormulaResult& r) {
    QString t;
    for (std::uint8_t h : r.hits)
        t += h ? u'T' : u'F';
    return t;
}

// The predicted value of every draw as the history grid shows it.
QStringList valueTexts(const BacktestEngine& e, int formula) {
    QStringList texts;
    for (std::uint8_t predicted : e.result(formula).predicted)
        texts.append(
            e.rules().valueText(e.formula(formula).kind, BacktestEngine::unpackPrediction(predicted)));
    return texts;
}

bool sameParameters(const std::vector<double>& a, const std::vector<double>& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (!(a[i] == b[i] || (std::isnan(a[i]) && std::isnan(b[i]))))
            return false;
    return true;
}

void compareResults(const BacktestEngine& a, const BacktestEngine& b) {
    QCOMPARE(a.formulaCount(), b.formulaCount());
    QCOMPARE(a.drawCount(), b.drawCount());
    for (int f = 0; f < a.formulaCount(); ++f) {
        const FormulaResult& x = a.result(f);
        const FormulaResult& y = b.result(f);
        QVERIFY2(sameParameters(x.parameters, y.parameters), qPrintable(a.formula(f).code));
        QCOMPARE(hitText(x), hitText(y));
        QCOMPARE(x.error.isEmpty(), y.error.isEmpty());
        QCOMPARE(x.next, y.next);
        QCOMPARE(x.nextText, y.nextText);
        QCOMPARE(x.figures, y.figures);
        QVERIFY2(x.chance == y.chance, qPrintable(a.formula(f).code));
    }
}

// One formula of every kind and sense, plus formulas that fail on some draws only.
QList<FormulaDefinition> mixedFormulas(int failingPeriod) {
    QList<FormulaDefinition> list;
    const QStringList codes = {u"L7A"_s,     u"L7A * 3 + D1A"_s, u"(L7B + QHH) MOD 12"_s,
                               u"PF - ZF"_s, u"L7A / 3"_s,       u"L7A & L1A"_s};
    for (int kind = 0; kind < 16; ++kind)
        list.append({codes[kind % codes.size()], kind, kind % 2 == 0});
    list.append({u"100 / (QQH - %1)"_s.arg(failingPeriod), 3, false});
    list.append({u"L7A +"_s, 0, true});
    return list;
}

} // namespace

class TestBacktestEngine : public QObject {
    Q_OBJECT

private slots:
    void judgedRows_data();
    void judgedRows();
    void nextPeriod();
    void appendedDrawMatchesFullRun();
    void removedDrawMatchesFullRun();
    void addedAndRemovedFormulas();
    void parametersOnChosenDraw();
    void emptyHistory();
    void againstChance_data();
    void againstChance();
};

void TestBacktestEngine::judgedRows_data() {
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("kill");
    QTest::addColumn<QString>("hits");
    QTest::addColumn<QStringList>("values");

    // Special numbers 5 5 7 7 7 9: the first draw has no previous parameter.
    const QStringList same = {QString(), u"5"_s, u"5"_s, u"7"_s, u"7"_s, u"7"_s};
    QTest::newRow("keep repeats") << u"L7A"_s << 0 << false << u"FTFTTF"_s << same;
    QTest::newRow("kill repeats") << u"L7A"_s << 0 << true << u"FFTFFT"_s << same;
    QTest::newRow("halves to even") << u"L7A + 0.5"_s << 0 << false << u"FFFFFF"_s
                                    << QStringList{QString(), u"6"_s, u"6"_s, u"8"_s, u"8"_s, u"8"_s};
    QTest::newRow("negative reduces") << u"L7A - 7"_s << 0 << true << u"FTTTTT"_s
                                      << QStringList{QString(), u"47"_s, u"47"_s, u"49"_s, u"49"_s, u"49"_s};
    QTest::newRow("kill even") << u"L7A * 2"_s << 5 << true << u"FTTTTT"_s
                               << QStringList{QString(), u"双"_s, u"双"_s, u"双"_s, u"双"_s, u"双"_s};
    const QStringList none(6, QString());
    QTest::newRow("division by zero on one draw") << u"10 / (L7A - 7)"_s << 0 << true << u"FFFFFF"_s << none;
    QTest::newRow("syntax error") << u"L7A +"_s << 0 << true << u"FFFFFF"_s << none;
}

void TestBacktestEngine::judgedRows() {
    QFETCH(QString, code);
    QFETCH(int, kind);
    QFETCH(bool, kill);
    QFETCH(QString, hits);
    QFETCH(QStringList, values);
    BacktestEngine e(model2007());
    e.setHistory(drawsWithSpecials({5, 5, 7, 7, 7, 9}));
    e.setFormulas({{code, kind, kill}});
    e.run();
    QCOMPARE(hitText(e.result(0)), hits);
    QCOMPARE(valueTexts(e, 0), values);
    QCOMPARE(e.result(0).figures.hits, static_cast<int>(hits.count(u'T')));
}

void TestBacktestEngine::nextPeriod() {
    BacktestEngine e(model2007());
    e.setHistory(drawsWithSpecials({5, 5, 7, 7, 7, 9}));
    e.setFormulas({{u"L7A"_s, 0, false}, {u"L7A + 3"_s, 13, true}, {u"10 / (L7A - 7)"_s, 0, false}});
    e.run();
    QCOMPARE(e.result(0).nextText, u"9"_s);
    QCOMPARE(e.result(1).nextText, u"12"_s);
    const FormulaResult& failed = e.result(2);
    QVERIFY(!failed.next.valid);
    QVERIFY(failed.nextText.isEmpty());
    QVERIFY2(failed.error.contains(u"2007003"_s) && failed.error.contains(u"除数为零"_s),
             qPrintable(failed.error));
    QVERIFY(std::isnan(e.parameter(2, 0)));
    QCOMPARE(failed.figures.accuracyText(e.drawCount()), u"0% (0/6)"_s);
}

void TestBacktestEngine::appendedDrawMatchesFullRun() {
    const std::vector<DrawValues> draws = randomDraws(40, 7);
    const QList<FormulaDefinition> formulas = mixedFormulas(draws.back()[DrawColumns::QQH]);

    BacktestEngine incremental(model2007());
    incremental.setHistory({draws.begin(), draws.end() - 1});
    incremental.setFormulas(formulas);
    incremental.run();
    QVERIFY(incremental.result(16).error.isEmpty()); // computes until the last draw arrives
    incremental.appendDraw(draws.back());

    BacktestEngine full(model2007());
    full.setHistory(draws);
    full.setFormulas(formulas);
    full.run();
    QVERIFY(!full.result(16).error.isEmpty());
    compareResults(incremental, full);
}

void TestBacktestEngine::removedDrawMatchesFullRun() {
    const std::vector<DrawValues> draws = randomDraws(30, 11);
    const QList<FormulaDefinition> formulas = mixedFormulas(draws.back()[DrawColumns::QQH]);

    BacktestEngine shrunk(model2007());
    shrunk.setHistory(draws);
    shrunk.setFormulas(formulas);
    shrunk.run();
    shrunk.removeLastDraw();

    BacktestEngine full(model2007());
    full.setHistory({draws.begin(), draws.end() - 1});
    full.setFormulas(formulas);
    full.run();
    QVERIFY(full.result(16).error.isEmpty()); // the failing draw went with the deletion
    compareResults(shrunk, full);
}

void TestBacktestEngine::addedAndRemovedFormulas() {
    const std::vector<DrawValues> draws = randomDraws(25, 3);
    QList<FormulaDefinition> formulas = mixedFormulas(0);

    BacktestEngine changed(model2007());
    changed.setHistory(draws);
    changed.setFormulas(formulas.mid(0, 10));
    changed.run();
    for (int i = 10; i < formulas.size(); ++i)
        changed.addFormula(formulas[i]);
    changed.removeFormulas({3, 0, 17, 3});
    changed.computeStatistics();

    formulas.removeAt(17);
    formulas.removeAt(3);
    formulas.removeAt(0);
    BacktestEngine full(model2007());
    full.setHistory(draws);
    full.setFormulas(formulas);
    full.run();
    compareResults(changed, full);
    QCOMPARE(changed.formula(2).kind, 4);
}

void TestBacktestEngine::parametersOnChosenDraw() {
    BacktestEngine e(model2007());
    e.setHistory(drawsWithSpecials({5, 8, 13}));
    e.setFormulas({{u"L7A"_s, 0, false}, {u"L7A * 2"_s, 1, true}});
    e.run();
    QCOMPARE(e.parameter(0, 1), 8);
    QCOMPARE(e.parameter(1, 1), 16);
    QCOMPARE(e.parameter(1, e.drawCount() - 1), 26);
    for (const auto& [formula, draw] : {std::pair{0, 3}, {0, -1}, {2, 0}})
        QVERIFY(std::isnan(e.parameter(formula, draw)));
}

void TestBacktestEngine::emptyHistory() {
    BacktestEngine e(model2007());
    e.setHistory({});
    e.setFormulas({{u"L7A"_s, 5, true}});
    e.run();
    const FormulaResult& r = e.result(0);
    QVERIFY(!r.next.valid);
    QCOMPARE(r.figures.accuracyText(0), u"0% (0/0)"_s);
    QCOMPARE(r.figures.perNumberAccuracyText(), u"0%"_s);
    e.appendDraw(drawsWithSpecials({5})[0]);
    QCOMPARE(hitText(e.result(0)), u"F"_s);
    QCOMPARE(e.result(0).nextText, u"码单"_s);
}

void TestBacktestEngine::againstChance_data() {
    QTest::addColumn<FormulaDefinition>("formula");
    QTest::addColumn<QList<int>>("specials");
    QTest::addColumn<double>("chance");
    QTest::addColumn<double>("edge");
    QTest::addColumn<double>("z"); // NaN: none

    // Keep odd/even on the previous special number: p alternates 25/49 and 24/49 over the four
    // judged draws, every one a miss; expected hits 2 with variance 4 * 25 * 24 / 49^2.
    QTest::newRow("odd/even") << FormulaDefinition{u"L7A"_s, 5, false} << QList<int>{5, 8, 13, 20, 3} << 50.0
                              << -50.0 << -2.0 / std::sqrt(2400.0 / 2401.0);
    // Kill the previous special number: p = 48/49 at the two judged draws, both right.
    QTest::newRow("kill one number") << FormulaDefinition{u"L7A"_s, 0, true} << QList<int>{5, 8, 13}
                                     << 4800.0 / 49 << 100 - 4800.0 / 49 << 2.0 / std::sqrt(96.0);
    // No prediction anywhere: chance 0 and no spread, so no z.
    QTest::newRow("no parameter") << FormulaDefinition{u"L7A +"_s, 0, true} << QList<int>{5, 8, 13} << 0.0
                                  << 0.0 << qQNaN();
}

void TestBacktestEngine::againstChance() {
    QFETCH(FormulaDefinition, formula);
    QFETCH(QList<int>, specials);
    QFETCH(double, chance);
    QFETCH(double, edge);
    QFETCH(double, z);
    BacktestEngine e(model2007());
    e.setHistory(drawsWithSpecials(specials));
    e.setFormulas({formula});
    e.run();
    const ChanceFigures f = e.result(0).againstChance();
    QVERIFY(f.valid);
    QVERIFY(std::abs(f.chance - chance) < 1e-9);
    QVERIFY(std::abs(f.edge - edge) < 1e-9);
    QCOMPARE(f.z.has_value(), !std::isnan(z));
    if (f.z)
        QVERIFY2(std::abs(*f.z - z) < 1e-9, qPrintable(QString::number(*f.z)));

    // A single draw is never judged.
    e.setHistory(drawsWithSpecials({5}));
    e.run();
    QVERIFY(!e.result(0).againstChance().valid);
}

QTEST_GUILESS_MAIN(TestBacktestEngine)
#include "tst_backtestengine.moc"
