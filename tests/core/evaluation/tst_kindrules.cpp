#include "evaluation/KindRules.h"

#include <QTest>

#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;
using namespace talven;

namespace {

constexpr double Empty = std::numeric_limits<double>::quiet_NaN();

enum Variant { Defaults, MaAdd, SegmentsFromZero, BaseCodesOne };

// Default options in 2007: number n carries zodiac code ((n - 1) mod 12) + 1 by age.
NumberModel modelOf(int variant) {
    Options o;
    if (variant == MaAdd)
        o.maAddIni = true;
    if (variant == SegmentsFromZero)
        o.dsIni = 0;
    if (variant == BaseCodesOne) {
        o.bsIni = 1;
        o.wxIni = 1;
        o.sxIni = 0;
    }
    return NumberModel(o, 2007);
}

} // namespace

class TestKindRules : public QObject {
    Q_OBJECT

private slots:
    void judgement_data();
    void judgement();
    void emptyParameterIsNeverRight_data();
    void emptyParameterIsNeverRight();
    void keepClass_data();
    void keepClass();
    void predictionFollowsThePeriod();
    void winningCounts_data();
    void winningCounts();
    void winningCountsMatchTheNumbers();
};

void TestKindRules::judgement_data() {
    QTest::addColumn<int>("variant");
    QTest::addColumn<int>("kind");
    QTest::addColumn<double>("parameter");
    QTest::addColumn<int>("year");
    QTest::addColumn<int>("special");
    QTest::addColumn<bool>("keep");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("result");

    // Special number: remainder 0 reads as N; negative parameters reduce to non-negative remainders.
    QTest::newRow("0 p98 is 49") << 0 << 0 << 98.0 << 2007 << 49 << true << u"49"_s << u"49"_s;
    QTest::newRow("0 p98 not 48") << 0 << 0 << 98.0 << 2007 << 48 << false << u"49"_s << u"49"_s;
    QTest::newRow("0 p-3 is 46") << 0 << 0 << -3.0 << 2007 << 46 << true << u"46"_s << u"46"_s;
    QTest::newRow("0 p7.5 rounds to 8") << 0 << 0 << 7.5 << 2007 << 8 << true << u"8"_s << u"8"_s;
    QTest::newRow("0 p6.5 rounds to 6") << 0 << 0 << 6.5 << 2007 << 6 << true << u"6"_s << u"6"_s;
    QTest::newRow("0 p-0.5 rounds to 0") << 0 << 0 << -0.5 << 2007 << 49 << true << u"49"_s << u"49"_s;
    QTest::newRow("0 maAdd p98 is 1") << 1 << 0 << 98.0 << 2007 << 1 << true << u"1"_s << u"1"_s;
    QTest::newRow("0 maAdd p17 is 18") << 1 << 0 << 17.0 << 2007 << 17 << false << u"18"_s << u"18"_s;
    // Zodiac: the sign whose attribute code mod 12 is r(12).
    QTest::newRow("1 p13 猪 on 25") << 0 << 1 << 13.0 << 2007 << 25 << true << u"猪"_s << u"猪"_s;
    QTest::newRow("1 p12 鼠 on 48") << 0 << 1 << 12.0 << 2007 << 48 << true << u"鼠"_s << u"鼠"_s;
    QTest::newRow("1 p12 鼠 not 49") << 0 << 1 << 12.0 << 2007 << 49 << false << u"鼠"_s << u"鼠"_s;
    QTest::newRow("1 p-1 牛 on 47") << 0 << 1 << -1.0 << 2007 << 47 << true << u"牛"_s << u"牛"_s;
    QTest::newRow("1 base 0 p13 狗 on 2") << 3 << 1 << 13.0 << 2007 << 2 << true << u"狗"_s << u"狗"_s;
    QTest::newRow("1 base 0 p13 not 13") << 3 << 1 << 13.0 << 2007 << 13 << false << u"狗"_s << u"狗"_s;
    // Head, tail, digit sum.
    QTest::newRow("2 p-3 head 2") << 0 << 2 << -3.0 << 2007 << 27 << true << u"2"_s << u"2"_s;
    QTest::newRow("2 p4 head 4") << 0 << 2 << 4.0 << 2007 << 39 << false << u"4"_s << u"4"_s;
    QTest::newRow("3 p-3 tail 7") << 0 << 3 << -3.0 << 2007 << 17 << true << u"7"_s << u"7"_s;
    QTest::newRow("4 p49 sum 13 on 49") << 0 << 4 << 49.0 << 2007 << 49 << true << u"13"_s << u"13"_s;
    QTest::newRow("4 p49 sum 13 not 48") << 0 << 4 << 49.0 << 2007 << 48 << false << u"13"_s << u"13"_s;
    QTest::newRow("4 p19 sum 10 on 46") << 0 << 4 << 19.0 << 2007 << 46 << true << u"10"_s << u"10"_s;
    // Odd/even of the number and of its digit sum.
    QTest::newRow("5 p-3 odd on 3") << 0 << 5 << -3.0 << 2007 << 3 << true << u"单"_s << u"码单"_s;
    QTest::newRow("5 p-3 odd not 4") << 0 << 5 << -3.0 << 2007 << 4 << false << u"单"_s << u"码单"_s;
    QTest::newRow("5 p0 even") << 0 << 5 << 0.0 << 2007 << 4 << true << u"双"_s << u"码双"_s;
    QTest::newRow("6 p2 even sum on 11") << 0 << 6 << 2.0 << 2007 << 11 << true << u"合双"_s << u"和双"_s;
    QTest::newRow("6 p2 even sum not 12") << 0 << 6 << 2.0 << 2007 << 12 << false << u"合双"_s << u"和双"_s;
    // Domestic/wild: the zodiac of num in the judged draw's year.
    QTest::newRow("7 p1 2007 猪 on 2 狗") << 0 << 7 << 1.0 << 2007 << 2 << true << u"家畜"_s << u"牲畜"_s;
    QTest::newRow("7 p1 2007 not 12 鼠") << 0 << 7 << 1.0 << 2007 << 12 << false << u"家畜"_s << u"牲畜"_s;
    QTest::newRow("7 p1 2008 鼠 on 12") << 0 << 7 << 1.0 << 2008 << 12 << true << u"野兽"_s << u"野兽"_s;
    QTest::newRow("7 p0 reads 49 猪") << 0 << 7 << 0.0 << 2007 << 1 << true << u"家畜"_s << u"牲畜"_s;
    // Half wave: colour of num, parity of the parameter.
    QTest::newRow("8 p7 红单 on 13") << 0 << 8 << 7.0 << 2007 << 13 << true << u"红单"_s << u"红单"_s;
    QTest::newRow("8 p7 红单 not 2") << 0 << 8 << 7.0 << 2007 << 2 << false << u"红单"_s << u"红单"_s;
    QTest::newRow("8 p7 红单 not 3") << 0 << 8 << 7.0 << 2007 << 3 << false << u"红单"_s << u"红单"_s;
    QTest::newRow("8 p-3 46 red odd") << 0 << 8 << -3.0 << 2007 << 1 << true << u"红单"_s << u"红单"_s;
    QTest::newRow("8 base 1 p14 蓝双") << 3 << 8 << 14.0 << 2007 << 4 << true << u"蓝双"_s << u"蓝双"_s;
    // Segment.
    QTest::newRow("9 p14 segment 7 on 43") << 0 << 9 << 14.0 << 2007 << 43 << true << u"7"_s << u"7"_s;
    QTest::newRow("9 p14 segment 7 not 42") << 0 << 9 << 14.0 << 2007 << 42 << false << u"7"_s << u"7"_s;
    QTest::newRow("9 from 0 p14 on 7") << 2 << 9 << 14.0 << 2007 << 7 << true << u"0"_s << u"0"_s;
    QTest::newRow("9 from 0 p14 not 43") << 2 << 9 << 14.0 << 2007 << 43 << false << u"0"_s << u"0"_s;
    // Big/small from the parameter's parity.
    QTest::newRow("10 odd big on 25") << 0 << 10 << 3.0 << 2007 << 25 << true << u"大"_s << u"码大"_s;
    QTest::newRow("10 odd big not 24") << 0 << 10 << 3.0 << 2007 << 24 << false << u"大"_s << u"码大"_s;
    QTest::newRow("10 even small on 24") << 0 << 10 << 4.0 << 2007 << 24 << true << u"小"_s << u"码小"_s;
    QTest::newRow("10 p-3 big") << 0 << 10 << -3.0 << 2007 << 49 << true << u"大"_s << u"码大"_s;
    // Wave, element.
    QTest::newRow("11 p5 green on 5") << 0 << 11 << 5.0 << 2007 << 5 << true << u"绿"_s << u"绿"_s;
    QTest::newRow("11 p5 green not 1") << 0 << 11 << 5.0 << 2007 << 1 << false << u"绿"_s << u"绿"_s;
    QTest::newRow("11 p0 reads 49 green") << 0 << 11 << 0.0 << 2007 << 49 << true << u"绿"_s << u"绿"_s;
    QTest::newRow("12 p7 金 on 8") << 0 << 12 << 7.0 << 2007 << 8 << true << u"金"_s << u"金"_s;
    QTest::newRow("12 p7 金 not 5") << 0 << 12 << 7.0 << 2007 << 5 << false << u"金"_s << u"金"_s;
    QTest::newRow("12 p0 reads 49 木") << 0 << 12 << 0.0 << 2007 << 49 << true << u"木"_s << u"木"_s;
    QTest::newRow("12 base 1 p7 金") << 3 << 12 << 7.0 << 2007 << 46 << true << u"金"_s << u"金"_s;
    // Zodiac position.
    QTest::newRow("13 p13 on 37") << 0 << 13 << 13.0 << 2007 << 37 << true << u"1"_s << u"1"_s;
    QTest::newRow("13 p12 reads 12") << 0 << 13 << 12.0 << 2007 << 36 << true << u"0"_s << u"12"_s;
    // Half odd/even and half head.
    QTest::newRow("14 p6 大双 on 26") << 0 << 14 << 6.0 << 2007 << 26 << true << u"大双"_s << u"大双"_s;
    QTest::newRow("14 p6 大双 not 25") << 0 << 14 << 6.0 << 2007 << 25 << false << u"大双"_s << u"大双"_s;
    QTest::newRow("14 p6 大双 not 24") << 0 << 14 << 6.0 << 2007 << 24 << false << u"大双"_s << u"大双"_s;
    QTest::newRow("14 p1 小单 on 1") << 0 << 14 << 1.0 << 2007 << 1 << true << u"小单"_s << u"小单"_s;
    QTest::newRow("14 p-1 大单") << 0 << 14 << -1.0 << 2007 << 49 << true << u"大单"_s << u"大单"_s;
    QTest::newRow("15 p17 3头单 on 37") << 0 << 15 << 17.0 << 2007 << 37 << true << u"3头单"_s << u"3头单"_s;
    QTest::newRow("15 p17 not 38") << 0 << 15 << 17.0 << 2007 << 38 << false << u"3头单"_s << u"3头单"_s;
    QTest::newRow("15 p17 not 27") << 0 << 15 << 17.0 << 2007 << 27 << false << u"3头单"_s << u"3头单"_s;
    QTest::newRow("15 p-2 4头双") << 0 << 15 << -2.0 << 2007 << 48 << true << u"4头双"_s << u"4头双"_s;
}

void TestKindRules::judgement() {
    QFETCH(int, variant);
    QFETCH(int, kind);
    QFETCH(double, parameter);
    QFETCH(int, year);
    QFETCH(int, special);
    QFETCH(bool, keep);
    QFETCH(QString, value);
    QFETCH(QString, result);

    const KindRules rules(modelOf(variant));
    const KindPrediction p = rules.predict(kind, parameter, year);
    QVERIFY(p.valid);
    const SpecialNumber s = rules.specialOf(special);
    QCOMPARE(rules.keepRight(kind, p, s), keep);
    QCOMPARE(rules.right(kind, false, p, s), keep);
    QCOMPARE(rules.right(kind, true, p, s), !keep);
    QCOMPARE(rules.valueText(kind, p), value);
    QCOMPARE(rules.resultText(kind, p), result);
}

void TestKindRules::emptyParameterIsNeverRight_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<double>("parameter");
    for (int kind = 0; kind < 16; ++kind) {
        QTest::addRow("kind %d empty", kind) << kind << Empty;
        QTest::addRow("kind %d infinite", kind) << kind << std::numeric_limits<double>::infinity();
    }
    QTest::newRow("unknown kind") << 16 << 5.0;
}

void TestKindRules::emptyParameterIsNeverRight() {
    QFETCH(int, kind);
    QFETCH(double, parameter);
    const KindRules rules(modelOf(Defaults));
    const KindPrediction p = rules.predict(kind, parameter, 2007);
    QVERIFY(!p.valid);
    for (int n = 1; n <= 49; ++n) {
        QVERIFY(!rules.right(kind, false, p, rules.specialOf(n)));
        QVERIFY(!rules.right(kind, true, p, rules.specialOf(n)));
    }
    QVERIFY(rules.valueText(kind, p).isEmpty());
    QVERIFY(rules.resultText(kind, p).isEmpty());
    QVERIFY(rules.keepClass(kind, p).isEmpty());
}

void TestKindRules::keepClass_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<double>("parameter");
    QTest::addColumn<QList<int>>("numbers");

    QTest::newRow("special 49") << 0 << 98.0 << QList<int>{49};
    QTest::newRow("zodiac 猪") << 1 << 13.0 << QList<int>{1, 13, 25, 37, 49};
    QTest::newRow("digit sum 13") << 4 << 49.0 << QList<int>{49};
    QTest::newRow("segment 7") << 9 << 14.0 << QList<int>{43, 44, 45, 46, 47, 48, 49};
    QTest::newRow("wild in 2007") << 7 << 12.0 << QList<int>{4,  7,  8,  9,  10, 12, 16, 19, 20, 21, 22, 24,
                                                             28, 31, 32, 33, 34, 36, 40, 43, 44, 45, 46, 48};
    QTest::newRow("half head 3 odd") << 15 << 17.0 << QList<int>{31, 33, 35, 37, 39};
    QTest::newRow("big even") << 14 << 6.0 << QList<int>{26, 28, 30, 32, 34, 36, 38, 40, 42, 44, 46, 48};
    QTest::newRow("element 火") << 12 << 13.0 << QList<int>{13, 14, 21, 22, 29, 30, 43, 44};
}

void TestKindRules::keepClass() {
    QFETCH(int, kind);
    QFETCH(double, parameter);
    QFETCH(QList<int>, numbers);
    const KindRules rules(modelOf(Defaults));
    QCOMPARE(rules.keepClass(kind, rules.predict(kind, parameter, 2007)), numbers);
}

// A whole value below the period stands for every parameter with its remainder, in every kind and
// under the options that change predictions.
void TestKindRules::predictionFollowsThePeriod() {
    for (int bit : {49, 50}) {
        for (int variant : {Defaults, MaAdd, SegmentsFromZero}) {
            Options o = modelOf(variant).options();
            o.bit = bit;
            const KindRules rules(NumberModel(o, 2007));
            for (int kind = 0; kind < 16; ++kind) {
                const int period = rules.period(kind);
                for (double p : {0.0, 1.0, 7.5, 8.5, -1.0, -13.0, -2.5, 48.0, 49.0, 50.0, 97.0, 98.0, 1e6 + 3,
                                 -3e9 - 1, 2e16 + 2, 2007153.0}) {
                    const double whole = std::nearbyint(p);
                    double r = std::fmod(whole, period);
                    if (r < 0)
                        r += period;
                    for (int year : {2007, 2012})
                        QVERIFY2(rules.predict(kind, p, year) == rules.predict(kind, r, year),
                                 qPrintable(u"kind %1, bit %2, parameter %3"_s.arg(kind).arg(bit).arg(p)));
                }
            }
        }
    }
}

void TestKindRules::winningCounts_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("kill");
    QTest::addColumn<int>("year");
    QTest::addColumn<QList<double>>("parameters");
    QTest::addColumn<int>("count");

    QList<double> everyNumber;
    for (int n = 1; n <= 49; ++n)
        everyNumber.append(n);
    QTest::newRow("kill one number") << 0 << true << 2007 << everyNumber << 48;
    QTest::newRow("keep one number") << 0 << false << 2007 << everyNumber << 1;
    // Seventeen red numbers, sixteen blue and sixteen green; parameter n names the wave of n.
    QTest::newRow("red") << 11 << false << 2007 << QList<double>{1, 2, 46} << 17;
    QTest::newRow("blue") << 11 << false << 2007 << QList<double>{3, 48} << 16;
    QTest::newRow("kill green") << 11 << true << 2007 << QList<double>{5, 49} << 33;
    QTest::newRow("red odd") << 8 << false << 2007 << QList<double>{1, 7} << 8;
    QTest::newRow("red even") << 8 << false << 2007 << QList<double>{2, 8} << 9;
    QTest::newRow("odd") << 5 << false << 2007 << QList<double>{1, -1, 49} << 25;
    QTest::newRow("even") << 5 << false << 2007 << QList<double>{0, 2} << 24;
    QTest::newRow("kill odd") << 5 << true << 2007 << QList<double>{3} << 24;
    // The sign of the year holds five numbers: 猪 in 2007, 鼠 in 2008.
    QTest::newRow("猪 in 2007") << 1 << false << 2007 << QList<double>{13} << 5;
    QTest::newRow("猪 in 2008") << 1 << false << 2008 << QList<double>{13} << 4;
    QTest::newRow("domestic in 2007") << 7 << false << 2007 << QList<double>{1} << 25;
    QTest::newRow("wild in 2007") << 7 << false << 2007 << QList<double>{12} << 24;
}

void TestKindRules::winningCounts() {
    QFETCH(int, kind);
    QFETCH(bool, kill);
    QFETCH(int, year);
    QFETCH(QList<double>, parameters);
    QFETCH(int, count);
    const KindRules rules(modelOf(Defaults));
    for (double p : parameters)
        QCOMPARE(rules.winningCount(kind, kill, rules.predict(kind, p, year), year), count);
    QCOMPARE(rules.winningCount(kind, kill, rules.predict(kind, Empty, year), year), 0);
}

// The counts looked up per draw agree with judging every number as an import would store it, in
// every kind, year and option that changes codes, also for a largest number other than 49.
void TestKindRules::winningCountsMatchTheNumbers() {
    for (int bit : {49, 30}) {
        for (int variant : {Defaults, MaAdd, SegmentsFromZero, BaseCodesOne}) {
            Options o = modelOf(variant).options();
            o.bit = bit;
            o.sxSetup = variant == SegmentsFromZero;
            const NumberModel model(o, 2007);
            const KindRules rules(model);
            // The special numbers as an import stores them, by year.
            std::vector<std::vector<SpecialNumber>> specials;
            for (int year = 2000; year < 2012; ++year) {
                specials.emplace_back();
                for (int n = 1; n <= bit; ++n) {
                    const DrawValues d = model.computeDraw(year * 1000 + 1, {1, 2, 3, 4, 5, 6, n});
                    specials.back().push_back(
                        {d[DrawColumns::attribute('L', 7, 'A')], d[DrawColumns::attribute('L', 7, 'B')],
                         d[DrawColumns::attribute('L', 7, 'C')], d[DrawColumns::attribute('L', 7, 'D')]});
                }
            }
            for (int kind = 0; kind < 16; ++kind) {
                for (int p = 0; p < 2 * rules.period(kind); ++p) {
                    for (int year = 2000; year < 2012; ++year) {
                        const KindPrediction prediction = rules.predict(kind, p, year);
                        int keep = 0;
                        for (const SpecialNumber& special : specials[static_cast<size_t>(year - 2000)])
                            keep += rules.keepRight(kind, prediction, special) ? 1 : 0;
                        if (rules.winningCount(kind, false, prediction, year) != keep ||
                            rules.winningCount(kind, true, prediction, year) != bit - keep)
                            QFAIL(qPrintable(u"kind %1, bit %2, variant %3, p %4, year %5"_s.arg(kind)
                                                 .arg(bit)
                                                 .arg(variant)
                                                 .arg(p)
                                                 .arg(year)));
                    }
                }
            }
        }
    }
}

QTEST_GUILESS_MAIN(TestKindRules)
#include "tst_kindrules.moc"
