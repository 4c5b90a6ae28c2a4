#include "prediction/ErrorValuePredictor.h"
#include "prediction/SelectionBacktest.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <numeric>

using namespace Qt::StringLiterals;
using namespace talven;
using Mode = SelectionBacktestRequest::Mode;

namespace {

const int specialColumn = DrawColumns::attribute('L', 7, 'A');

// Draws 2006101 .. 2006150, then 2007001 ..: the judged year changes inside the history.
std::vector<DrawValues> randomDraws(const NumberModel& model, int count, quint32 seed) {
    QRandomGenerator rng(seed);
    std::vector<DrawValues> draws;
    int year = 2006, number = 101;
    for (int i = 0; i < count; ++i) {
        std::vector<int> pool(static_cast<size_t>(model.options().bit));
        std::iota(pool.begin(), pool.end(), 1);
        for (size_t k = 0; k < pool.size(); ++k)
            std::swap(pool[k], pool[k + rng.bounded(quint32(pool.size() - k))]);
        draws.push_back(model.computeDraw(year * 1000 + number,
                                          {pool[0], pool[1], pool[2], pool[3], pool[4], pool[5], pool[6]}));
        if (++number > 150) {
            number = 1;
            ++year;
        }
    }
    return draws;
}

// Every kind in both senses over several expressions, one formula that fails on a draw and one
// whose class depends on the judged year.
QList<FormulaDefinition> mixedFormulas() {
    const QStringList codes = {u"L7A"_s,     u"L7A * 3 + D1A"_s, u"(L7B + QHH) MOD 12"_s,
                               u"PF - ZF"_s, u"L7A / 3"_s,       u"D2A + D5A * 7"_s};
    QList<FormulaDefinition> list;
    for (int i = 0; i < 64; ++i)
        list.append({codes[i % codes.size()], i % 16, (i / 16) % 2 == 0});
    list.append({u"100 / (QQH - 2007010)"_s, 3, false});
    // Domestic or wild by the judged year: 3 changes group between 2006 and 2007.
    list.append({u"3"_s, 7, true});
    return list;
}

struct Fixture {
    explicit Fixture(const Options& options = {}, int draws = 120,
                     QList<FormulaDefinition> formulas = mixedFormulas())
        : model(options, 2007), engine(model) {
        engine.setHistory(randomDraws(model, draws, 20070101));
        engine.setFormulas(formulas);
        engine.run();
    }
    NumberModel model;
    BacktestEngine engine;
};

// The error values verification at the draw before t shows for a selection (flags by ordinal - 1).
ErrorValueTable verified(const BacktestEngine& engine, const std::vector<bool>& selected,
                         std::optional<int> kindFilter, int t) {
    QList<PredictionFormula> formulas;
    QList<bool> flags{false};
    QList<int> periods;
    for (int f = 0; f < engine.formulaCount(); ++f) {
        formulas.append({engine.formula(f).kind, engine.formula(f).kill});
        if (!kindFilter || engine.formula(f).kind == *kindFilter)
            flags.append(selected[static_cast<size_t>(f)]);
    }
    for (double p : engine.columns()[DrawColumns::QQH])
        periods.append(static_cast<int>(p));
    auto parameterOf = [&](qsizetype f, qsizetype d) -> std::optional<double> {
        const double p = engine.parameter(static_cast<int>(f), static_cast<int>(d));
        return std::isnan(p) ? std::nullopt : std::optional<double>(p);
    };
    const auto values = ErrorValuePredictor(engine.rules())
                            .verify(formulas, flags, periods, parameterOf, {periods[t - 1], kindFilter});
    return values.ok() ? values.value() : ErrorValueTable();
}

// The row a verification table gives for draw t.
SelectionDrawRow rowFrom(const BacktestEngine& engine, const ErrorValueTable& values, int t, int selected) {
    SelectionDrawRow row;
    row.draw = t;
    row.period = static_cast<int>(engine.columns()[DrawColumns::QQH][static_cast<size_t>(t)]);
    row.special = static_cast<int>(engine.columns()[specialColumn][static_cast<size_t>(t)]);
    row.selected = selected;
    row.errorValue = values[row.special - 1].ruledOut;
    int lower = 0;
    row.tied = 0;
    for (const NumberErrorValues& v : values) {
        lower += v.ruledOut < row.errorValue;
        row.tied += v.ruledOut == row.errorValue;
        row.keptCount += v.ruledOut == 0;
    }
    row.rank = lower + (row.tied + 1) / 2.0;
    row.hit = row.errorValue == 0;
    return row;
}

int count(const std::vector<bool>& flags) {
    return static_cast<int>(std::count(flags.begin(), flags.end(), true));
}

} // namespace

class TestSelectionBacktest : public QObject {
    Q_OBJECT

private slots:
    void rowsAreVerificationAtTheDrawBefore_data();
    void rowsAreVerificationAtTheDrawBefore();
    void walkForwardSelectsOnTheHistoryCutBefore_data();
    void walkForwardSelectsOnTheHistoryCutBefore();
    void figuresByHand();
    void killingOneNumber();
    void skippedDraws_data();
    void skippedDraws();
    void cancelStopsEarly();
};

void TestSelectionBacktest::rowsAreVerificationAtTheDrawBefore_data() {
    QTest::addColumn<Options>("options");
    QTest::addColumn<std::optional<int>>("kindFilter");
    QTest::addColumn<std::optional<int>>("last");
    Options plusOne;
    plusOne.maAddIni = true;
    Options segments;
    segments.dsIni = 0;
    segments.sxIni = 0;
    Options forty;
    forty.bit = 40;
    QTest::newRow("defaults, all draws") << Options{} << std::optional<int>() << std::optional<int>();
    QTest::newRow("special plus one, last 30") << plusOne << std::optional<int>() << std::optional<int>(30);
    QTest::newRow("code bases 0, tail kind") << segments << std::optional<int>(3) << std::optional<int>(80);
    QTest::newRow("largest 40, zodiac kind") << forty << std::optional<int>(1) << std::optional<int>(500);
}

void TestSelectionBacktest::rowsAreVerificationAtTheDrawBefore() {
    QFETCH(Options, options);
    QFETCH(std::optional<int>, kindFilter);
    QFETCH(std::optional<int>, last);
    const Fixture fixture(options);
    const BacktestEngine& engine = fixture.engine;
    SelectionBacktestRequest request;
    request.kindFilter = kindFilter;
    request.last = last;
    for (int f = 0; f < engine.formulaCount(); ++f)
        request.selection.push_back(f % 3 != 1);
    const auto report = SelectionBacktest(engine).run(request);
    QVERIFY(report.ok());
    QCOMPARE(report->largestNumber, options.bit);

    const int first = last ? std::max(1, engine.drawCount() - *last) : 1;
    QCOMPARE(int(report->rows.size() + report->skipped.size()), engine.drawCount() - first);
    QVERIFY(report->rows.size() > 20);
    std::vector<bool> taking = request.selection;
    for (int f = 0; f < engine.formulaCount(); ++f)
        taking[size_t(f)] = taking[size_t(f)] && (!kindFilter || engine.formula(f).kind == *kindFilter);
    for (const SelectionDrawRow& row : report->rows) {
        QVERIFY(row.draw >= first);
        const ErrorValueTable values = verified(engine, request.selection, kindFilter, row.draw);
        QCOMPARE(row, rowFrom(engine, values, row.draw, count(taking)));
    }
}

void TestSelectionBacktest::walkForwardSelectsOnTheHistoryCutBefore_data() {
    QTest::addColumn<FormulaFilter::Criteria>("criteria");
    QTest::addColumn<std::optional<int>>("kindFilter");
    using Filter = FormulaFilter::Figure;
    FormulaFilter::Criteria figures = FormulaFilter::Criteria::unbounded();
    figures.ranges[Filter::Accuracy] = {30, 95};
    figures.ranges[Filter::LongestMiss] = {0, 6};
    figures.ranges[Filter::CurrentHit] = {0, 4};
    figures.ranges[Filter::PerNumberAccuracy] = {5, 200};
    figures.ranges[Filter::PerNumberLongestHit] = {1, 60};
    FormulaFilter::Criteria recent = FormulaFilter::Criteria::unbounded();
    recent.recent = FormulaFilter::RecentRange{10, {40, 90}};
    recent.ranges[Filter::CurrentMiss] = {0, 2};
    FormulaFilter::Criteria z = FormulaFilter::Criteria::unbounded();
    z.z = FormulaFilter::Range{-0.5, 3};
    z.ranges[Filter::PerNumberCurrentMiss] = {0, 12};
    QTest::newRow("the ten figures") << figures << std::optional<int>();
    QTest::newRow("recent accuracy") << recent << std::optional<int>();
    QTest::newRow("z-score, odd/even kind") << z << std::optional<int>(5);
}

// At 20 random draws the walk-forward choice equals the filter window's ranges applied to
// statistics computed from scratch on the history cut before the draw, and the row of that draw
// is verification of that choice.
void TestSelectionBacktest::walkForwardSelectsOnTheHistoryCutBefore() {
    QFETCH(FormulaFilter::Criteria, criteria);
    QFETCH(std::optional<int>, kindFilter);
    const Fixture fixture;
    const BacktestEngine& engine = fixture.engine;
    const int formulas = engine.formulaCount();
    SelectionBacktestRequest request;
    request.mode = Mode::WalkForward;
    request.criteria = criteria;
    request.kindFilter = kindFilter;
    QList<int> shown;
    for (int ordinal = 1; ordinal <= formulas; ++ordinal)
        if (!kindFilter || engine.formula(ordinal - 1).kind == *kindFilter)
            shown.append(ordinal);
    request.ordinals = shown;
    const SelectionBacktest backtest(engine);
    const auto report = backtest.run(request);
    QVERIFY(report.ok());

    QRandomGenerator rng(7);
    int partial = 0;
    for (int i = 0; i < 20; ++i) {
        const int t = 1 + int(rng.bounded(engine.drawCount() - 1));
        std::vector<FormulaFigures> figures;
        std::vector<float> recents;
        std::vector<std::optional<double>> zs;
        for (int f = 0; f < formulas; ++f) {
            const FormulaResult& r = engine.result(f);
            const FormulaDefinition& d = engine.formula(f);
            const std::vector<std::uint8_t> cut(r.hits.begin(), r.hits.begin() + t);
            figures.push_back(figuresOf(cut, d.kind, d.kill));
            recents.push_back(recentAccuracy(cut, criteria.recent ? criteria.recent->window : 0).accuracy);
            ChanceSums sums{engine.rules().largestNumber()};
            for (int judged = 1; judged < t; ++judged)
                sums.add(engine.winningAt(d.kind, d.kill, engine.parameter(f, judged - 1), judged));
            zs.push_back(chanceFigures(sums, figures.back().hits).z);
        }
        std::vector<bool> expected(size_t(formulas), true);
        expected = FormulaFilter::apply(expected, figures, criteria.ranges, shown);
        if (criteria.recent)
            expected = FormulaFilter::applyRecent(expected, recents, criteria.recent->range, shown);
        if (criteria.z)
            expected = FormulaFilter::applyZ(expected, zs, *criteria.z, shown);
        for (int f = 0; f < formulas; ++f)
            expected[size_t(f)] = expected[size_t(f)] && shown.contains(f + 1);

        const std::vector<bool> selected = backtest.selectionAt(request, t);
        QCOMPARE(selected, expected);
        partial += count(selected) > 0 && count(selected) < shown.size();
        const auto row = std::find_if(report->rows.begin(), report->rows.end(),
                                      [t](const SelectionDrawRow& r) { return r.draw == t; });
        if (row != report->rows.end())
            QCOMPARE(*row, rowFrom(engine, verified(engine, selected, kindFilter, t), t, count(selected)));
        else
            QVERIFY(std::any_of(report->skipped.begin(), report->skipped.end(), [&](const SkippedDraw& s) {
                return s.period == int(engine.columns()[DrawColumns::QQH][size_t(t)]) &&
                       s.selected == count(selected);
            }));
    }
    // The ranges must leave a real choice, or the comparison proves little.
    QVERIFY(partial >= 10);
}

// Twenty numbers; ranks and kept sets as a run would give them, ties across the 5th place included.
void TestSelectionBacktest::figuresByHand() {
    auto row = [](int errorValue, double rank, int tied, int kept) {
        SelectionDrawRow r;
        r.errorValue = errorValue;
        r.rank = rank;
        r.tied = tied;
        r.keptCount = kept;
        r.hit = errorValue == 0;
        return r;
    };
    const std::vector<SelectionDrawRow> rows = {
        row(0, 2, 3, 3),     // places 1..3, all inside the 5 and the 10
        row(2, 5.5, 4, 0),   // places 4..7: half inside the 5, all inside the 10
        row(1, 20, 1, 0),    // last place
        row(0, 10.5, 20, 20) // every number tied and kept
    };
    const SelectionSummary s = SelectionBacktest::summarize(rows, 20);
    QCOMPARE(s.draws, 4);
    QCOMPARE(s.hits, 2);
    QVERIFY(s.againstChance.valid);
    QCOMPARE(s.againstChance.chance, (3 + 0 + 0 + 20) / 20.0 / 4 * 100);
    QCOMPARE(s.againstChance.edge, 50.0 - 28.75);
    // (hits * N - sum kept) / sqrt(sum kept (N - kept)); the draw keeping all 20 adds no doubt.
    QCOMPARE(*s.againstChance.z, (2 * 20.0 - 23) / std::sqrt(3.0 * 17));
    QCOMPARE(s.rankPercentile, (1 / 19.0 + 4.5 / 19.0 + 19 / 19.0 + 9.5 / 19.0) * 100 / 4);
    QCOMPARE(s.top5, (1 + 0.5 + 0 + 5 / 20.0) / 4 * 100);
    QCOMPARE(s.top10, (1 + 1 + 0 + 10 / 20.0) / 4 * 100);
    QCOMPARE(s.top5Chance, 25.0);
    QCOMPARE(s.top10Chance, 50.0);
    QCOMPARE(s.meanKept, 23 / 4.0);
    QVERIFY(!s.keptMostlyEmpty);
    QVERIFY(SelectionBacktest::summarize({rows[1], rows[2], rows[0]}, 20).keptMostlyEmpty);
}

// One keep-nothing formula killing 17 at every draw: the chance is 48/49 and every draw but those
// whose special number is 17 is a hit; 17 ranks last, the others share the first 48 places.
void TestSelectionBacktest::killingOneNumber() {
    const Fixture fixture(Options{}, 400, {{u"17"_s, 0, true}, {u"L7A"_s, 3, false}});
    const BacktestEngine& engine = fixture.engine;
    SelectionBacktestRequest request;
    request.selection = {true, false};
    const auto report = SelectionBacktest(engine).run(request);
    QVERIFY(report.ok());
    QCOMPARE(int(report->rows.size()), engine.drawCount() - 1);
    int expectedHits = 0, seventeens = 0;
    for (int t = 1; t < engine.drawCount(); ++t) {
        const bool seventeen = engine.columns()[specialColumn][size_t(t)] == 17;
        expectedHits += !seventeen;
        seventeens += seventeen;
        const SelectionDrawRow& row = report->rows[size_t(t - 1)];
        QCOMPARE(row.keptCount, 48);
        QCOMPARE(row.rank, seventeen ? 49.0 : 24.5);
    }
    QVERIFY(seventeens > 0);
    QCOMPARE(report->summary.hits, expectedHits);
    QCOMPARE(report->summary.againstChance.chance, 48.0 / 49 * 100);
    QCOMPARE(report->summary.meanKept, 48.0);
}

void TestSelectionBacktest::skippedDraws_data() {
    QTest::addColumn<std::vector<bool>>("selection");
    QTest::addColumn<int>("selected");
    QTest::newRow("nothing selected") << std::vector<bool>{} << 0;
    QTest::newRow("only a formula without values") << std::vector<bool>{false, true} << 1;
}

void TestSelectionBacktest::skippedDraws() {
    QFETCH(std::vector<bool>, selection);
    QFETCH(int, selected);
    const Fixture fixture(Options{}, 30, {{u"L7A"_s, 0, true}, {u"L7A +"_s, 0, true}});
    SelectionBacktestRequest request;
    request.selection = selection;
    request.last = 10;
    const auto report = SelectionBacktest(fixture.engine).run(request);
    QVERIFY(report.ok());
    QVERIFY(report->rows.empty());
    QCOMPARE(int(report->skipped.size()), 10);
    QCOMPARE(report->skipped.front().period, int(fixture.engine.columns()[DrawColumns::QQH][20]));
    QCOMPARE(report->skipped.back().selected, selected);
    QCOMPARE(report->summary.draws, 0);
    QVERIFY(!report->summary.againstChance.valid);
}

void TestSelectionBacktest::cancelStopsEarly() {
    QList<FormulaDefinition> many;
    for (int i = 0; i < 400; ++i)
        many.append({u"L7A * %1 + D1A"_s.arg(i), i % 16, i % 2 == 0});
    const Fixture fixture(Options{}, 300, many);
    SelectionBacktestRequest request;
    request.mode = Mode::WalkForward;
    std::atomic<bool> cancel = false;
    int reports = 0;
    const auto report = SelectionBacktest(fixture.engine).run(request, &cancel, [&](double, const QString&) {
        ++reports;
        cancel = true;
    });
    QVERIFY(report.ok());
    QVERIFY(report->cancelled);
    QVERIFY(report->rows.empty());
    QVERIFY(reports < 400 / 8);

    cancel = false;
    const auto whole = SelectionBacktest(fixture.engine).run(request, &cancel);
    QVERIFY(whole.ok() && !whole->cancelled);
    QCOMPARE(int(whole->rows.size() + whole->skipped.size()), 299);
}

QTEST_GUILESS_MAIN(TestSelectionBacktest)
#include "tst_SelectionBacktest.moc"
