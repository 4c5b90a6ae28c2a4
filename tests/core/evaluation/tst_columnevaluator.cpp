#include "evaluation/ColumnEvaluator.h"

#include <QTest>

#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;
using namespace talven;

namespace {

constexpr double Empty = std::numeric_limits<double>::quiet_NaN();

// Draws with L1A, L2A and an empty D1A; other columns 0.
HistoryColumns history(const std::vector<double>& l1a) {
    HistoryColumns c;
    const size_t n = l1a.size();
    for (auto& column : c)
        column.assign(n, 0);
    for (size_t i = 0; i < n; ++i) {
        c[DrawColumns::QQH][i] = 2007001 + static_cast<double>(i);
        c[static_cast<size_t>(DrawColumns::attribute('L', 1, 'A'))][i] = l1a[i];
        c[static_cast<size_t>(DrawColumns::attribute('L', 2, 'A'))][i] = 7;
        c[static_cast<size_t>(DrawColumns::attribute('D', 1, 'A'))][i] = Empty;
    }
    return c;
}

struct Outcome {
    std::vector<double> values;
    QString error;
};

Outcome evaluate(const QString& text, const HistoryColumns& columns) {
    const auto parsed = parseExpression(text);
    if (!parsed.ok())
        return {{}, parsed.message()};
    Outcome o;
    o.values.resize(columns[0].size());
    const auto done = ColumnEvaluator(columns).evaluate(*parsed.value(), 0, static_cast<int>(o.values.size()),
                                                        o.values.data());
    if (!done)
        o.error = done.message();
    return o;
}

} // namespace

class TestColumnEvaluator : public QObject {
    Q_OBJECT

private slots:
    void value_data();
    void value();
    void failure_data();
    void failure();
    void rangeOfDraws();
};

void TestColumnEvaluator::value_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected"); // NaN: empty

    // Precedence: unary minus; * /; \; MOD; + -; &; comparisons; NOT; AND; OR; XOR.
    QTest::newRow("mul before add") << u"1 + 2 * 3"_s << 7.0;
    QTest::newRow("floating division") << u"7 / 2"_s << 3.5;
    QTest::newRow("mul before intdiv") << u"2 * 3 \\ 4"_s << 1.0;
    QTest::newRow("intdiv before mod") << u"10 \\ 3 MOD 2"_s << 1.0;
    QTest::newRow("mod before add") << u"(L1A \\ 10)+(L2A) MOD 10"_s << 9.0;
    QTest::newRow("add before concat") << u"1 & 2 + 3"_s << 15.0;
    QTest::newRow("concat before comparison") << u"1 & 2 = 12"_s << -1.0;
    QTest::newRow("comparison before NOT") << u"NOT 1 = 2"_s << -1.0;
    QTest::newRow("comparisons under AND") << u"1 = 1 AND 2 = 3"_s << 0.0;
    QTest::newRow("OR before XOR") << u"1 OR 2 XOR 3"_s << 0.0;
    QTest::newRow("unary minus binds tightest") << u"-2 * -3"_s << 6.0;
    // Integer division and remainder round both operands half to even.
    QTest::newRow("intdiv truncates") << u"-7 \\ 2"_s << -3.0;
    QTest::newRow("intdiv 7.5 is 8") << u"7.5 \\ 2"_s << 4.0;
    QTest::newRow("intdiv 6.5 is 6") << u"6.5 \\ 4"_s << 1.0;
    QTest::newRow("mod keeps dividend sign") << u"-5 MOD 49"_s << -5.0;
    QTest::newRow("mod of multiple") << u"49 MOD 49"_s << 0.0;
    QTest::newRow("mod negative multiple is 0") << u"-49 MOD 49"_s << 0.0;
    QTest::newRow("mod rounds divisor") << u"5 MOD 2.5"_s << 1.0;
    QTest::newRow("mod negative divisor") << u"7 MOD -4"_s << 3.0;
    QTest::newRow("mod of a 64-bit dividend") << u"-3000000000 MOD 7"_s << -4.0;
    QTest::newRow("intdiv of a 64-bit dividend") << u"3000000000 \\ 7"_s << 428571428.0;
    QTest::newRow("mod beyond exact integers") << u"20000000000000000 MOD 3"_s << 2.0;
    // Truth values.
    QTest::newRow("true is -1") << u"L1A = 25"_s << -1.0;
    QTest::newRow("big attribute") << u"0 - (L1A >= 25)"_s << 1.0;
    QTest::newRow("half odd/even") << u"((0 - (L1A >= 25)) * 2) + (0 - ((L1A MOD 2) = 1))"_s << 3.0;
    QTest::newRow("not equal") << u"L1A <> 25"_s << 0.0;
    QTest::newRow("NOT 0") << u"NOT 0"_s << -1.0;
    QTest::newRow("NOT bitwise") << u"NOT 5"_s << -6.0;
    QTest::newRow("AND bitwise") << u"3 AND 5"_s << 1.0;
    QTest::newRow("OR bitwise") << u"3 OR 5"_s << 7.0;
    QTest::newRow("XOR bitwise") << u"3 XOR 5"_s << 6.0;
    QTest::newRow("TRUE AND FALSE") << u"TRUE AND FALSE"_s << 0.0;
    // Concatenation of decimal texts becomes a number again.
    QTest::newRow("concat columns") << u"L1A & L2A"_s << 257.0;
    QTest::newRow("concat fraction") << u"1.5 & 2"_s << 1.52;
    QTest::newRow("concat negative first") << u"-1 & 2"_s << -12.0;
    QTest::newRow("concat then add") << u"(1 & 2) + 1"_s << 13.0;
    // Empty operands.
    QTest::newRow("empty plus") << u"D1A + 1"_s << Empty;
    QTest::newRow("empty comparison") << u"D1A = D1A"_s << Empty;
    QTest::newRow("empty over zero") << u"D1A / 0"_s << Empty;
    QTest::newRow("empty mod zero") << u"D1A MOD 0"_s << Empty;
    QTest::newRow("empty AND 0") << u"D1A AND 0"_s << 0.0;
    QTest::newRow("empty AND -1") << u"D1A AND -1"_s << Empty;
    QTest::newRow("empty OR -1") << u"D1A OR -1"_s << -1.0;
    QTest::newRow("empty OR 0") << u"D1A OR 0"_s << Empty;
    QTest::newRow("empty XOR") << u"D1A XOR 0"_s << Empty;
    QTest::newRow("NOT empty") << u"NOT D1A"_s << Empty;
    QTest::newRow("empty concat") << u"D1A & 5"_s << 5.0;
    QTest::newRow("empty concat empty") << u"D1A & D1A"_s << Empty;
}

void TestColumnEvaluator::value() {
    QFETCH(QString, text);
    QFETCH(double, expected);
    const Outcome o = evaluate(text, history({25}));
    QVERIFY2(o.error.isEmpty(), qPrintable(o.error));
    if (std::isnan(expected))
        QVERIFY(std::isnan(o.values[0]));
    else
        QCOMPARE(o.values[0], expected);
}

void TestColumnEvaluator::failure_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("part"); // expected in the error text

    QTest::newRow("division by zero") << u"5 / (L1A - 3)"_s << u"第2007002期除数为零"_s;
    QTest::newRow("intdiv by rounded zero") << u"L1A \\ 0.4"_s << u"第2007001期除数为零"_s;
    QTest::newRow("mod by zero") << u"L1A MOD (L1A - 1)"_s << u"第2007001期除数为零"_s;
    QTest::newRow("text no number") << u"1 & -2"_s << u"“1-2”不是数字"_s;
    QTest::newRow("text no number in arithmetic") << u"(1 & -L1A) * 2"_s << u"不是数字"_s;
    QTest::newRow("unknown column") << u"L1A + XYZ"_s << u"XYZ"_s;
}

void TestColumnEvaluator::failure() {
    QFETCH(QString, text);
    QFETCH(QString, part);
    const Outcome o = evaluate(text, history({1, 3, 5}));
    QVERIFY2(o.error.contains(part), qPrintable(o.error));
}

void TestColumnEvaluator::rangeOfDraws() {
    // The newest draw alone is evaluated with the same rules as the whole column.
    const HistoryColumns c = history({10, 20, 30, 41});
    const auto parsed = parseExpression(u"L1A MOD 7 + L2A * (L1A > 25)"_s);
    QVERIFY(parsed.ok());
    std::vector<double> all(4);
    QVERIFY(ColumnEvaluator(c).evaluate(*parsed.value(), 0, 4, all.data()).ok());
    QCOMPARE(all, (std::vector<double>{3, 6, -5, -1}));
    double last = 0;
    QVERIFY(ColumnEvaluator(c).evaluate(*parsed.value(), 3, 1, &last).ok());
    QCOMPARE(last, -1.0);
}

QTEST_GUILESS_MAIN(TestColumnEvaluator)
#include "tst_columnevaluator.moc"
