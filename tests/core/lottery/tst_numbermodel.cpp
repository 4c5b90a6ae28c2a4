#include "lottery/NumberModel.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace talven;

namespace {

struct Bases {
    int sxIni = 1, bsIni = 0, wxIni = 0, dsIni = 1;
    bool sxSetup = false, year = false;
    int bit = 49;
};

Options makeOptions(const Bases& b) {
    Options o;
    o.sxIni = b.sxIni;
    o.bsIni = b.bsIni;
    o.wxIni = b.wxIni;
    o.dsIni = b.dsIni;
    o.sxSetup = b.sxSetup;
    o.year = b.year;
    o.bit = b.bit;
    return o;
}

QString numbersText(const QList<int>& numbers) {
    QStringList texts;
    for (int n : numbers)
        texts.append(u"%1"_s.arg(n, 2, 10, QLatin1Char('0')));
    return texts.join(u' ');
}

const QStringList Elements2007 = {u"07 08 15 16 23 24 37 38 45 46"_s, u"05 06 19 20 27 28 35 36 49"_s,
                                  u"03 04 11 12 25 26 33 34 41 42"_s, u"13 14 21 22 29 30 43 44"_s,
                                  u"01 02 09 10 17 18 31 32 39 40 47 48"_s};

} // namespace

Q_DECLARE_METATYPE(Bases)

class TestNumberModel : public QObject {
    Q_OBJECT

private slots:
    void zodiacList_data() {
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("zodiac");
        QTest::addColumn<QString>("list");
        QTest::newRow("2007 猪 holds the year's own numbers") << 2007 << 11 << u"01、13、25、37、49"_s;
        QTest::newRow("2007 狗 is last year's") << 2007 << 10 << u"02、14、26、38"_s;
        QTest::newRow("2007 龙") << 2007 << 4 << u"08、20、32、44"_s;
        QTest::newRow("2007 鼠") << 2007 << 0 << u"12、24、36、48"_s;
        QTest::newRow("1980 猴, before 1983") << 1980 << 8 << u"01、13、25、37、49"_s;
        QTest::newRow("1900 鼠, long before") << 1900 << 0 << u"01、13、25、37、49"_s;
        QTest::newRow("2026 马") << 2026 << 6 << u"01、13、25、37、49"_s;
    }
    void zodiacList() {
        QFETCH(int, year);
        QFETCH(int, zodiac);
        QFETCH(QString, list);
        QCOMPARE(NumberModel::zodiacList(zodiac, year), list);
        for (int n : NumberModel::zodiacNumbers(zodiac, year))
            QCOMPARE(NumberModel::zodiacOf(n, year), zodiac);
    }

    void elementNumbers_data() {
        QTest::addColumn<int>("year");
        QTest::addColumn<QStringList>("lists"); // 金 木 水 火 土
        QTest::newRow("2007") << 2007 << Elements2007;
        QTest::newRow("1947, before 2000, one cycle back") << 1947 << Elements2007;
        QTest::newRow("2067, one cycle on") << 2067 << Elements2007;
        QTest::newRow("unknown year: fixed default")
            << 0
            << QStringList{u"04 05 12 13 20 21 34 35 42 43"_s, u"02 03 16 17 24 25 32 33 46 47"_s,
                           u"01 08 09 22 23 30 31 38 39"_s, u"10 11 18 19 26 27 40 41 48 49"_s,
                           u"06 07 14 15 28 29 36 37 44 45"_s};
    }
    void elementNumbers() {
        QFETCH(int, year);
        QFETCH(QStringList, lists);
        const NumberModel model(makeOptions({}), year);
        for (int e = 0; e < 5; ++e)
            QCOMPARE(numbersText(model.elementNumbers(e)), lists[e]);
        QVERIFY(model.elementList(0).startsWith(lists[0].left(2) + u'|'));
    }

    // Numbers above 59 continue the 60-year cycle instead of falling out of every list.
    void elementAboveFiftyNine() {
        const NumberModel model(makeOptions({.bit = 99}), 2007);
        QCOMPARE(model.elementOf(60), 3); // the cycle entry of 2007 itself: 1947, 火
        for (int n = 1; n <= 39; ++n)
            QCOMPARE(model.elementOf(n + 60), model.elementOf(n));
        int total = 0;
        for (int e = 0; e < 5; ++e)
            total += int(model.elementNumbers(e).size());
        QCOMPARE(total, 99);
        QCOMPARE(model.elementOf(0), 4); // "00" is in no list: 土
    }

    void numberAttributes_data() {
        QTest::addColumn<Bases>("bases");
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("letters");
        QTest::addColumn<QList<int>>("values");
        const QString all = u"ABCDEFGHIJKLMNPQ"_s;
        QTest::newRow("25 default") << Bases{} << 2007 << 25 << all
                                    << QList<int>{25, 1, 1, 2, 2, 5, 7, 4, 1, 7, 1, 1, 1, 3, 3, 5};
        QTest::newRow("49 default") << Bases{} << 2007 << 49 << all
                                    << QList<int>{49, 1, 2, 1, 4, 9, 13, 7, 1, 3, 1, 1, 1, 3, 5, 9};
        QTest::newRow("1 by age, 猪 of 2007") << Bases{} << 2007 << 1 << u"BM"_s << QList<int>{1, 0};
        QTest::newRow("1 by order") << Bases{.sxSetup = true} << 2007 << 1 << u"B"_s << QList<int>{12};
        QTest::newRow("1 by age, base 0") << Bases{.sxIni = 0} << 2007 << 1 << u"B"_s << QList<int>{0};
        QTest::newRow("2 by age, last year's 狗") << Bases{} << 2007 << 2 << u"B"_s << QList<int>{2};
        QTest::newRow("wave base 1: red blue green")
            << Bases{.bsIni = 1} << 2007 << 1 << u"CP"_s << QList<int>{1, 3};
        QTest::newRow("wave base 1, blue 25") << Bases{.bsIni = 1} << 2007 << 25 << u"C"_s << QList<int>{2};
        QTest::newRow("wave base 1, green 49") << Bases{.bsIni = 1} << 2007 << 49 << u"C"_s << QList<int>{3};
        QTest::newRow("element base 1, 金 07") << Bases{.wxIni = 1} << 2007 << 7 << u"D"_s << QList<int>{1};
        QTest::newRow("segment base 0") << Bases{.dsIni = 0} << 2007 << 25 << u"H"_s << QList<int>{3};
        QTest::newRow("50 in no zodiac list: 猪, green")
            << Bases{.bit = 99} << 2007 << 50 << u"BCG"_s << QList<int>{1, 2, 5};
        QTest::newRow("00: 猪, green, 土") << Bases{} << 2007 << 0 << u"BCDG"_s << QList<int>{1, 2, 4, 0};
    }
    void numberAttributes() {
        QFETCH(Bases, bases);
        QFETCH(int, year);
        QFETCH(int, number);
        QFETCH(QString, letters);
        QFETCH(QList<int>, values);
        const NumberModel model(makeOptions(bases), year);
        for (qsizetype i = 0; i < letters.size(); ++i) {
            const char letter = letters[i].toLatin1();
            QVERIFY2(model.attribute(number, letter, year) == values[i], qPrintable(letters.mid(i, 1)));
        }
    }

    void zodiacOfAttributeCode() {
        for (bool byOrder : {false, true})
            for (int sxIni : {0, 1}) {
                const NumberModel model(makeOptions({.sxIni = sxIni, .sxSetup = byOrder}), 2007);
                for (int k = 0; k < 12; ++k) {
                    QCOMPARE(model.zodiacOfAttributeCode(model.attributeCode(k)), k);
                    QCOMPARE(model.zodiacOfAttributeCode(model.attributeCode(k) + 12), k);
                }
            }
    }

    void computeDraw_data() {
        QTest::addColumn<Bases>("bases");
        QTest::addColumn<int>("period");
        QTest::addColumn<QList<int>>("numbers");
        // PH PF PHW PFW PFH PFHW ZH ZF ZHW ZFW ZFH ZFHW, then QQH QHH QHW SQQH SQHH SQHW
        QTest::addColumn<QList<int>>("sums");
        QTest::newRow("01..06 + 07, digits of the draw number")
            << Bases{} << 2007001 << QList<int>{6, 5, 4, 3, 2, 1, 7}
            << QList<int>{21, 21, 1, 1, 3, 3, 28, 28, 8, 8, 10, 0, 2007001, 1, 1, 2007002, 11, 2};
        QTest::newRow("all seven digits")
            << Bases{.year = true} << 2007001 << QList<int>{6, 5, 4, 3, 2, 1, 7}
            << QList<int>{21, 21, 1, 1, 3, 3, 28, 28, 8, 8, 10, 0, 2007001, 10, 1, 2007002, 11, 2};
        QTest::newRow("large numbers, last draw of a year")
            << Bases{} << 2006999 << QList<int>{49, 48, 39, 38, 29, 28, 19}
            << QList<int>{69, 231, 9, 1, 15, 5, 79, 250, 9, 0, 16, 6, 2006999, 27, 9, 2007000, 9, 0};
    }
    void computeDraw() {
        using namespace DrawColumns;
        QFETCH(Bases, bases);
        QFETCH(int, period);
        QFETCH(QList<int>, numbers);
        QFETCH(QList<int>, sums);
        const NumberModel model(makeOptions(bases), 2007);
        std::array<int, 7> drawn{};
        std::copy(numbers.begin(), numbers.end(), drawn.begin());
        const DrawValues row = model.computeDraw(period, drawn);

        std::array<int, 7> sorted = drawn;
        std::sort(sorted.begin(), sorted.begin() + 6);
        for (int pos = 1; pos <= 7; ++pos)
            for (char letter : {'A', 'B', 'C', 'D', 'G', 'H', 'I', 'J'}) {
                QCOMPARE(row[attribute('L', pos, letter)],
                         model.attribute(drawn[pos - 1], letter, period / 1000));
                QCOMPARE(row[attribute('D', pos, letter)],
                         model.attribute(sorted[pos - 1], letter, period / 1000));
            }
        const int columns[] = {PH,  PF,  PHW,  PFW, PFH, PFHW, ZH,   ZF,   ZHW,
                               ZFW, ZFH, ZFHW, QQH, QHH, QHW,  SQQH, SQHH, SQHW};
        for (int i = 0; i < int(std::size(columns)); ++i)
            QVERIFY2(row[columns[i]] == sums[i], qPrintable(name(columns[i])));
    }

    // A draw of another year takes that year's zodiac lists but the current year's codes.
    void computeDrawOfEarlierYear() {
        const NumberModel model(makeOptions({}), 2007);
        const DrawValues row = model.computeDraw(2006050, {1, 2, 3, 4, 5, 6, 13});
        QCOMPARE(NumberModel::zodiacOf(1, 2006), 10); // 狗
        QCOMPARE(row[DrawColumns::attribute('L', 1, 'B')], 2);
        QCOMPARE(row[DrawColumns::attribute('L', 7, 'B')], 2);
    }

    void waveTable() {
        QList<int> seen;
        for (int wave = 0; wave < 3; ++wave)
            for (int n : NumberModel::waveTable()[wave])
                if (n != 0) {
                    QCOMPARE(NumberModel::waveOf(n), wave);
                    seen.append(n);
                }
        std::sort(seen.begin(), seen.end());
        QCOMPARE(seen.size(), 49);
        QCOMPARE(seen.front(), 1);
        QCOMPARE(seen.back(), 49);
        QCOMPARE(std::adjacent_find(seen.begin(), seen.end()), seen.end());
    }
};

QTEST_GUILESS_MAIN(TestNumberModel)
#include "tst_numbermodel.moc"
