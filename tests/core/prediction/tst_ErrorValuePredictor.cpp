#include "prediction/ErrorValuePredictor.h"

#include <QTest>

#include <algorithm>
#include <cmath>
#include <limits>

using namespace talven;

namespace {

using Numbers = QList<int>;

Numbers range(int from, int to, int step = 1) {
    Numbers numbers;
    for (int n = from; n <= to; n += step)
        numbers.append(n);
    return numbers;
}

ErrorValuePredictor predictor(Options options = {}) {
    return ErrorValuePredictor(KindRules(NumberModel(options, 2007)));
}

// Every number's total must be the sum of its kill and keep parts, plain and weighted.
bool consistent(const ErrorValueTable& values) {
    for (qsizetype i = 0; i < values.size(); ++i) {
        const NumberErrorValues& v = values[i];
        if (v.number != i + 1 || v.ruledOut != v.ruledOutByKill + v.ruledOutByKeep ||
            v.weightedRuledOut != v.weightedRuledOutByKill + v.weightedRuledOutByKeep)
            return false;
    }
    return true;
}

ErrorValueTable runOne(const ErrorValuePredictor& p, int kind, bool kill, double parameter) {
    return p.nextPeriod({{kind, kill}}, {parameter}, {false, true}, 2007);
}

QList<bool> allSelected(qsizetype count) {
    return QList<bool>(count + 1, true);
}

} // namespace

class tst_ErrorValuePredictor : public QObject {
    Q_OBJECT

private slots:
    void kindClass_data();
    void kindClass();
    void residueKindsCoverEveryNumberOnce_data();
    void residueKindsCoverEveryNumberOnce();
    void formulasWithoutUsableParameterCountNothing_data();
    void formulasWithoutUsableParameterCountNothing();
    void twoKeepFormulasCountEachExclusion();
    void orderDoesNotMatterAndRunsRepeat();
    void selectionFlagsByOrdinal();
    void largestNumberBoundsTheTable();
    void verifyMatchesNextPeriodOnNewestDraw();
    void verifyKindFilterUsesOrdinalWithinKind();
    void verifyPredictsTheFollowingDrawsYear();
    void verifyUnknownPeriodIsAnError_data();
    void verifyUnknownPeriodIsAnError();
};

void tst_ErrorValuePredictor::kindClass_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<double>("parameter");
    QTest::addColumn<bool>("maAdd");
    QTest::addColumn<int>("dsIni");
    QTest::addColumn<Numbers>("expectedClass");
    QTest::addColumn<int>("weight");

    const Numbers red = {1, 2, 7, 8, 12, 13, 18, 19, 23, 24, 29, 30, 34, 35, 40, 45, 46};
    Numbers oddDigitSum;
    for (int n = 1; n <= 49; ++n)
        if ((n / 10 + n % 10) % 2 == 1)
            oddDigitSum.append(n);

    QTest::newRow("special 17") << 0 << 17.0 << false << 1 << Numbers{17} << 49;
    QTest::newRow("special 98 reads 0 as 49") << 0 << 98.0 << false << 1 << Numbers{49} << 49;
    QTest::newRow("special 0") << 0 << 0.0 << false << 1 << Numbers{49} << 49;
    QTest::newRow("special -3 brought into range") << 0 << -3.0 << false << 1 << Numbers{46} << 49;
    QTest::newRow("special half rounds to even") << 0 << 17.5 << false << 1 << Numbers{18} << 49;
    QTest::newRow("special 16.5 rounds down") << 0 << 16.5 << false << 1 << Numbers{16} << 49;
    QTest::newRow("special plus one 48") << 0 << 48.0 << true << 1 << Numbers{49} << 49;
    QTest::newRow("special plus one 0") << 0 << 0.0 << true << 1 << Numbers{1} << 49;
    QTest::newRow("special plus one -1") << 0 << -1.0 << true << 1 << Numbers{49} << 49;
    QTest::newRow("head 7") << 2 << 7.0 << false << 1 << range(20, 29) << 5;
    QTest::newRow("head 0") << 2 << 0.0 << false << 1 << range(1, 9) << 5;
    QTest::newRow("head -1") << 2 << -1.0 << false << 1 << range(40, 49) << 5;
    QTest::newRow("tail 13") << 3 << 13.0 << false << 1 << Numbers{3, 13, 23, 33, 43} << 9;
    QTest::newRow("tail 0") << 3 << 0.0 << false << 1 << Numbers{10, 20, 30, 40} << 9;
    QTest::newRow("tail -3") << 3 << -3.0 << false << 1 << Numbers{7, 17, 27, 37, 47} << 9;
    QTest::newRow("digit sum 19") << 4 << 19.0 << false << 1 << Numbers{19, 28, 37, 46} << 13;
    QTest::newRow("digit sum 98 is 49's") << 4 << 98.0 << false << 1 << Numbers{49} << 13;
    QTest::newRow("odd") << 5 << 3.0 << false << 1 << range(1, 49, 2) << 2;
    QTest::newRow("even from 0") << 5 << 0.0 << false << 1 << range(2, 48, 2) << 2;
    QTest::newRow("odd from -1") << 5 << -1.0 << false << 1 << range(1, 49, 2) << 2;
    QTest::newRow("digit sum odd") << 6 << 1.0 << false << 1 << oddDigitSum << 2;
    QTest::newRow("half wave red odd")
        << 8 << 1.0 << false << 1 << Numbers{1, 7, 13, 19, 23, 29, 35, 45} << 6;
    QTest::newRow("half wave 0 is green even")
        << 8 << 0.0 << false << 1 << Numbers{6, 16, 22, 28, 32, 38, 44} << 6;
    QTest::newRow("segment 0 with base 1") << 9 << 0.0 << false << 1 << range(43, 49) << 5;
    QTest::newRow("segment 1 with base 1") << 9 << 1.0 << false << 1 << range(1, 7) << 5;
    QTest::newRow("segment 0 with base 0") << 9 << 0.0 << false << 0 << range(1, 7) << 5;
    QTest::newRow("big") << 10 << 1.0 << false << 1 << range(25, 49) << 2;
    QTest::newRow("small") << 10 << 2.0 << false << 1 << range(1, 24) << 2;
    QTest::newRow("big from -1") << 10 << -1.0 << false << 1 << range(25, 49) << 2;
    QTest::newRow("wave red") << 11 << 1.0 << false << 1 << red << 3;
    QTest::newRow("zodiac position 0") << 13 << 0.0 << false << 1 << Numbers{12, 24, 36, 48} << 1;
    QTest::newRow("zodiac position -1") << 13 << -1.0 << false << 1 << Numbers{11, 23, 35, 47} << 1;
    QTest::newRow("half odd-even big odd") << 14 << 3.0 << false << 1 << range(25, 49, 2) << 4;
    QTest::newRow("half odd-even small even") << 14 << 0.0 << false << 1 << range(2, 24, 2) << 4;
    QTest::newRow("half odd-even -1 big odd") << 14 << -1.0 << false << 1 << range(25, 49, 2) << 4;
    QTest::newRow("half head 7") << 15 << 7.0 << false << 1 << range(31, 39, 2) << 10;
    QTest::newRow("half head 0") << 15 << 0.0 << false << 1 << Numbers{2, 4, 6, 8} << 10;
}

// A kill formula rules out exactly its class, a keep formula exactly the rest, each with the
// kind's weight.
void tst_ErrorValuePredictor::kindClass() {
    QFETCH(int, kind);
    QFETCH(double, parameter);
    QFETCH(bool, maAdd);
    QFETCH(int, dsIni);
    QFETCH(Numbers, expectedClass);
    QFETCH(int, weight);
    Options options;
    options.maAddIni = maAdd;
    options.dsIni = dsIni;
    const ErrorValuePredictor p = predictor(options);

    const ErrorValueTable kill = runOne(p, kind, true, parameter);
    const ErrorValueTable keep = runOne(p, kind, false, parameter);
    QVERIFY(consistent(kill));
    QVERIFY(consistent(keep));
    QCOMPARE(kill.size(), 49);
    Numbers killed, kept;
    for (int n = 1; n <= 49; ++n) {
        const NumberErrorValues& k = kill[n - 1];
        const NumberErrorValues& c = keep[n - 1];
        QCOMPARE(k.ruledOutByKeep, 0);
        QCOMPARE(c.ruledOutByKill, 0);
        QCOMPARE(k.weightedRuledOutByKill, k.ruledOutByKill * weight);
        QCOMPARE(c.weightedRuledOutByKeep, c.ruledOutByKeep * weight);
        if (k.ruledOutByKill == 1)
            killed.append(n);
        if (c.ruledOutByKeep == 0)
            kept.append(n);
    }
    QCOMPARE(killed, expectedClass);
    QCOMPARE(kept, expectedClass);
}

void tst_ErrorValuePredictor::residueKindsCoverEveryNumberOnce_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("modulus");
    QTest::newRow("zodiac") << 1 << 12;
    QTest::newRow("zodiac position") << 13 << 12;
    QTest::newRow("head") << 2 << 5;
    QTest::newRow("tail") << 3 << 10;
    QTest::newRow("half odd-even") << 14 << 4;
}

// One kill formula per remainder rules every number out exactly once: the classes of the year's
// zodiac codes and the like partition 1..49.
void tst_ErrorValuePredictor::residueKindsCoverEveryNumberOnce() {
    QFETCH(int, kind);
    QFETCH(int, modulus);
    const ErrorValuePredictor p = predictor();
    QList<PredictionFormula> formulas;
    QList<std::optional<double>> parameters;
    for (int r = 0; r < modulus; ++r) {
        formulas.append({kind, true});
        parameters.append(r);
    }
    const ErrorValueTable values = p.nextPeriod(formulas, parameters, allSelected(modulus), 2007);
    for (const NumberErrorValues& v : values)
        QCOMPARE(v.ruledOutByKill, 1);
}

void tst_ErrorValuePredictor::formulasWithoutUsableParameterCountNothing_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<std::optional<double>>("parameter");
    QTest::newRow("no parameter") << 0 << std::optional<double>();
    QTest::newRow("not a number") << 0 << std::optional<double>(std::numeric_limits<double>::quiet_NaN());
    QTest::newRow("infinite") << 3 << std::optional<double>(std::numeric_limits<double>::infinity());
    QTest::newRow("kind below range") << -1 << std::optional<double>(5);
    QTest::newRow("kind above range") << 16 << std::optional<double>(5);
}

void tst_ErrorValuePredictor::formulasWithoutUsableParameterCountNothing() {
    QFETCH(int, kind);
    QFETCH(std::optional<double>, parameter);
    const ErrorValuePredictor p = predictor();
    for (bool kill : {true, false}) {
        const ErrorValueTable values = p.nextPeriod({{kind, kill}}, {parameter}, allSelected(1), 2007);
        QCOMPARE(values, emptyErrorValues(49));
    }
}

// Two keep formulas keeping 5 and then 9: each rules the other's number out, independently of order.
void tst_ErrorValuePredictor::twoKeepFormulasCountEachExclusion() {
    const ErrorValuePredictor p = predictor();
    const ErrorValueTable values = p.nextPeriod({{0, false}, {0, false}}, {5.0, 9.0}, allSelected(2), 2007);
    QVERIFY(consistent(values));
    for (const NumberErrorValues& v : values) {
        const int expected = (v.number == 5 || v.number == 9) ? 1 : 2;
        QCOMPARE(v.ruledOutByKeep, expected);
        QCOMPARE(v.weightedRuledOutByKeep, expected * 49);
    }
}

void tst_ErrorValuePredictor::orderDoesNotMatterAndRunsRepeat() {
    const ErrorValuePredictor p = predictor();
    QList<PredictionFormula> formulas;
    QList<std::optional<double>> parameters;
    for (int i = 0; i < 40; ++i) {
        formulas.append({i % 16, i % 3 == 0});
        parameters.append(i * 7 - 30);
    }
    const ErrorValueTable first = p.nextPeriod(formulas, parameters, allSelected(40), 2007);
    QVERIFY(consistent(first));
    QCOMPARE(p.nextPeriod(formulas, parameters, allSelected(40), 2007), first);

    std::reverse(formulas.begin(), formulas.end());
    std::reverse(parameters.begin(), parameters.end());
    QCOMPARE(p.nextPeriod(formulas, parameters, allSelected(40), 2007), first);
}

// Flag k belongs to the k-th formula; index 0 holds none and formulas past the flags are unselected.
void tst_ErrorValuePredictor::selectionFlagsByOrdinal() {
    const ErrorValuePredictor p = predictor();
    const QList<PredictionFormula> formulas = {{0, true}, {0, true}, {0, true}};
    const QList<std::optional<double>> parameters = {1.0, 2.0, 3.0};
    const ErrorValueTable values = p.nextPeriod(formulas, parameters, {true, false, true}, 2007);
    QCOMPARE(values[0].ruledOutByKill, 0);
    QCOMPARE(values[1].ruledOutByKill, 1);
    QCOMPARE(values[2].ruledOutByKill, 0);
    QCOMPARE(p.nextPeriod(formulas, parameters, {}, 2007), emptyErrorValues(49));
}

void tst_ErrorValuePredictor::largestNumberBoundsTheTable() {
    Options options;
    options.bit = 40;
    const ErrorValuePredictor p = predictor(options);
    const ErrorValueTable values = runOne(p, 0, false, 45);
    QCOMPARE(values.size(), 40);
    QVERIFY(consistent(values));
    for (const NumberErrorValues& v : values)
        QCOMPARE(v.ruledOutByKeep, v.number == 5 ? 0 : 1);
}

void tst_ErrorValuePredictor::verifyMatchesNextPeriodOnNewestDraw() {
    const ErrorValuePredictor p = predictor();
    const QList<int> periods = {2007001, 2007002, 2007003};
    QList<PredictionFormula> formulas;
    for (int i = 0; i < 16; ++i)
        formulas.append({i, i % 2 == 0});
    auto lookup = [](qsizetype formula, qsizetype draw) -> std::optional<double> {
        return double(formula * 11 + draw * 5);
    };
    QList<std::optional<double>> newest;
    for (qsizetype i = 0; i < formulas.size(); ++i)
        newest.append(lookup(i, 2));

    const Result<ErrorValueTable> verified =
        p.verify(formulas, allSelected(16), periods, lookup, {2007003, {}});
    QVERIFY(verified.ok());
    QCOMPARE(verified.value(), p.nextPeriod(formulas, newest, allSelected(16), 2007));

    // An earlier period reads the parameters of its own draw.
    QList<std::optional<double>> second;
    for (qsizetype i = 0; i < formulas.size(); ++i)
        second.append(lookup(i, 1));
    const Result<ErrorValueTable> earlier =
        p.verify(formulas, allSelected(16), periods, lookup, {2007002, {}});
    QVERIFY(earlier.ok());
    QCOMPARE(earlier.value(), p.nextPeriod(formulas, second, allSelected(16), 2007));
}

void tst_ErrorValuePredictor::verifyKindFilterUsesOrdinalWithinKind() {
    const ErrorValuePredictor p = predictor();
    // Kill formulas: tail 1, special 20, tail 2. Only flag 1 is set.
    const QList<PredictionFormula> formulas = {{3, true}, {0, true}, {3, true}};
    const QList<double> params = {1, 20, 2};
    auto lookup = [&](qsizetype formula, qsizetype) -> std::optional<double> { return params[formula]; };
    const QList<bool> selection = {false, false, true};

    const Result<ErrorValueTable> filtered = p.verify(formulas, selection, {2007001}, lookup, {2007001, 3});
    QVERIFY(filtered.ok());
    // Flag 2 is the second tail formula: tail 2 is ruled out.
    for (const NumberErrorValues& v : filtered.value())
        QCOMPARE(v.ruledOutByKill, v.number % 10 == 2 ? 1 : 0);

    const Result<ErrorValueTable> all = p.verify(formulas, selection, {2007001}, lookup, {2007001, {}});
    QVERIFY(all.ok());
    // Without the filter flag 2 is the special-number formula.
    for (const NumberErrorValues& v : all.value())
        QCOMPARE(v.ruledOutByKill, v.number == 20 ? 1 : 0);
}

// Right after the last draw of a year the draw being predicted is in the next year, which the
// domestic/wild kind reads its zodiac from (number 3 changes group between 2006 and 2007).
void tst_ErrorValuePredictor::verifyPredictsTheFollowingDrawsYear() {
    const ErrorValuePredictor p = predictor();
    const QList<PredictionFormula> formulas = {{7, true}};
    auto lookup = [](qsizetype, qsizetype) -> std::optional<double> { return 3.0; };
    const Result<ErrorValueTable> verified =
        p.verify(formulas, allSelected(1), {2006150, 2007001}, lookup, {2006150, {}});
    QVERIFY(verified.ok());
    QCOMPARE(verified.value(), p.nextPeriod(formulas, {3.0}, allSelected(1), 2007));
    QVERIFY(p.nextPeriod(formulas, {3.0}, allSelected(1), 2006) !=
            p.nextPeriod(formulas, {3.0}, allSelected(1), 2007));
}

void tst_ErrorValuePredictor::verifyUnknownPeriodIsAnError_data() {
    QTest::addColumn<QList<int>>("periods");
    QTest::addColumn<int>("period");
    QTest::newRow("no such draw") << QList<int>{2007001, 2007002} << 2007005;
    QTest::newRow("empty history") << QList<int>{} << 2007001;
}

void tst_ErrorValuePredictor::verifyUnknownPeriodIsAnError() {
    QFETCH(QList<int>, periods);
    QFETCH(int, period);
    const ErrorValuePredictor p = predictor();
    bool looked = false;
    auto lookup = [&](qsizetype, qsizetype) -> std::optional<double> {
        looked = true;
        return 1.0;
    };
    const Result<ErrorValueTable> result =
        p.verify({{0, true}}, allSelected(1), periods, lookup, {period, {}});
    QVERIFY(!result.ok());
    QVERIFY(result.message().contains(QString::number(period)));
    QVERIFY(!looked);
}

QTEST_GUILESS_MAIN(tst_ErrorValuePredictor)
#include "tst_ErrorValuePredictor.moc"
