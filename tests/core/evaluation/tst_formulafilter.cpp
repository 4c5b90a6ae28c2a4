#include "evaluation/FormulaFilter.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace talven;
namespace Filter = talven::FormulaFilter;

namespace {

using Flags = QList<bool>;

FormulaFigures withAccuracy(float accuracy, float perNumberLongestMiss = 0) {
    FormulaFigures f;
    f.accuracy = accuracy;
    f.perNumberLongestMiss = perNumberLongestMiss;
    return f;
}

Filter::Ranges parsed(const Filter::Bounds& bounds) {
    Filter::Ranges ranges;
    for (size_t i = 0; i < ranges.size(); ++i)
        ranges[i] = {Filter::parseBound(bounds[i].lower).value(),
                     Filter::parseBound(bounds[i].upper).value()};
    return ranges;
}

} // namespace

class TestFormulaFilter : public QObject {
    Q_OBJECT

private slots:
    void parseBound_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("number");
        QTest::addColumn<double>("value");

        QTest::newRow("integer") << u"50"_s << true << 50.0;
        QTest::newRow("blanks and fraction") << u"  12.5 "_s << true << 12.5;
        QTest::newRow("trailing sign") << u"50%"_s << true << 50.0;
        QTest::newRow("negative") << u"-3"_s << true << -3.0;
        QTest::newRow("exponent") << u"1e2"_s << true << 100.0;
        QTest::newRow("bare fraction") << u".5"_s << true << 0.5;
        QTest::newRow("full-width digits") << u"５０．５"_s << true << 50.5;
        QTest::newRow("empty") << QString() << false << 0.0;
        QTest::newRow("letters") << u"abc"_s << false << 0.0;
        QTest::newRow("sign first") << u"%50"_s << false << 0.0;
        QTest::newRow("point alone") << u"."_s << false << 0.0;
        QTest::newRow("minus alone") << u"-"_s << false << 0.0;
    }
    void parseBound() {
        QFETCH(QString, text);
        QFETCH(bool, number);
        QFETCH(double, value);
        const std::optional<double> bound = Filter::parseBound(text);
        QCOMPARE(bound.has_value(), number);
        if (number)
            QCOMPARE(*bound, value);
    }

    // Every accuracy a history of up to 400 draws can give reads back as itself, so an unchanged
    // window never deselects the formula at either end of a range.
    void boundsReadBackExactly() {
        int longer = 0;
        for (int draws = 1; draws <= 400; ++draws)
            for (int hits = 0; hits <= draws; ++hits) {
                const float value = static_cast<float>(hits) / static_cast<float>(draws) * 100.0f;
                const QString text = Filter::floatText(value);
                QCOMPARE(static_cast<float>(Filter::parseBound(text).value()), value);
                longer += text.size() > QString::number(static_cast<double>(value), 'g', 7).size();
            }
        QVERIFY(longer > 0); // seven digits alone would not do
    }

    void apply_data() {
        QTest::addColumn<int>("figure");
        QTest::addColumn<QString>("lower");
        QTest::addColumn<QString>("upper");
        QTest::addColumn<QList<int>>("shown");
        QTest::addColumn<Flags>("expected");

        // Formulas 1..4: accuracy 30, 50, 70, 90; formula 4 starts deselected.
        const QList<int> all{1, 2, 3, 4};
        QTest::newRow("accuracy 50 to 100")
            << int(Figures::Accuracy) << u"50"_s << u"100"_s << all << Flags{false, true, true, false};
        QTest::newRow("upper bound with text")
            << int(Figures::Accuracy) << u"0"_s << u"70%"_s << all << Flags{true, true, true, false};
        QTest::newRow("lower above upper")
            << int(Figures::Accuracy) << u"80"_s << u"40"_s << all << Flags{false, false, false, false};
        QTest::newRow("only the shown formulas") << int(Figures::Accuracy) << u"60"_s << u"100"_s
                                                 << QList<int>{2, 3, 9} << Flags{true, false, true, false};
        QTest::newRow("per-number halves kept") << int(Figures::PerNumberLongestMiss) << u"1.5"_s << u"2.5"_s
                                                << all << Flags{true, true, true, false};
    }
    void apply() {
        QFETCH(int, figure);
        QFETCH(QString, lower);
        QFETCH(QString, upper);
        QFETCH(QList<int>, shown);
        QFETCH(Flags, expected);
        const std::vector<FormulaFigures> figures{withAccuracy(30, 1.5f), withAccuracy(50, 2.5f),
                                                  withAccuracy(70, 2), withAccuracy(90, 2)};
        Filter::Ranges ranges = parsed(Filter::bounds(figures, {1, 2, 3, 4}));
        ranges[static_cast<size_t>(figure)] = {Filter::parseBound(lower).value(),
                                               Filter::parseBound(upper).value()};
        const std::vector<bool> result = Filter::apply({true, true, true, false}, figures, ranges, shown);
        QCOMPARE(Flags(result.begin(), result.end()), expected);
    }

    void boundsOverTheShownFormulas() {
        FormulaFigures a = withAccuracy(12.5f, 1.5f), b = withAccuracy(71.42857f, 2.5f);
        a.longestMissRun = 7;
        b.longestMissRun = 3;
        const Filter::Bounds all = Filter::bounds({a, b}, {1, 2});
        QCOMPARE(all[Figures::Accuracy].lower, u"12.5"_s);
        QCOMPARE(all[Figures::Accuracy].upper, u"71.42857"_s);
        QCOMPARE(all[Figures::LongestMiss].lower, u"3"_s);
        QCOMPARE(all[Figures::PerNumberLongestMiss].upper, u"2.5"_s);
        QCOMPARE(Filter::bounds({a, b}, {1})[Figures::LongestMiss].lower, u"7"_s);
        QCOMPARE(Filter::bounds({a, b}, {})[Figures::Accuracy].upper, u"0"_s);
    }

    // The recent range: its own bounds deselect nothing; a narrower range deselects the shown
    // formulas outside it and selects none.
    void recentRange() {
        const std::vector<float> recents{40, 66.66666f, 90, 10};
        const QList<int> shown{1, 2, 3};
        const Filter::BoundTexts bounds = Filter::recentBounds(recents, shown);
        QCOMPARE(bounds.lower, u"40"_s);
        const Filter::Range own{Filter::parseBound(bounds.lower).value(),
                                Filter::parseBound(bounds.upper).value()};
        QCOMPARE(Filter::applyRecent({true, true, true, true}, recents, own, shown),
                 (std::vector<bool>{true, true, true, true}));
        QCOMPARE(Filter::applyRecent({true, false, true, true}, recents, {50, 100}, shown),
                 (std::vector<bool>{false, false, true, true}));
    }

    // The z range: its own bounds keep every shown formula that has a z-score; bounds are
    // inclusive; a formula without one is deselected; formulas not shown keep their flag.
    void zRange() {
        const std::vector<std::optional<double>> zs{-1.234, std::nullopt, 2.5, 3.0, 9.0};
        const QList<int> shown{1, 2, 3, 4};
        const Filter::BoundTexts bounds = Filter::zBounds(zs, shown);
        QCOMPARE(bounds.lower, u"-1.24"_s);
        QCOMPARE(bounds.upper, u"3.00"_s);
        const Filter::Range own{Filter::parseBound(bounds.lower).value(),
                                Filter::parseBound(bounds.upper).value()};
        QCOMPARE(Filter::applyZ({true, true, true, true, true}, zs, own, shown),
                 (std::vector<bool>{true, false, true, true, true}));
        QCOMPARE(Filter::applyZ({true, true, true, true, true}, zs, {2.5, 3}, shown),
                 (std::vector<bool>{false, false, true, true, true}));
        QCOMPARE(Filter::zBounds({std::nullopt}, {1}).lower, u"0"_s);
    }
};

QTEST_APPLESS_MAIN(TestFormulaFilter)
#include "tst_formulafilter.moc"
