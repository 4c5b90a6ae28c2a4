#include "models/ErrorValueModel.h"

#include <QAbstractItemModelTester>
#include <QTest>

using namespace talven;
using namespace Qt::StringLiterals;

namespace {

using Numbers = QList<int>;

// Numbers 1..5 with totals 2, 0, 2, 1, 0 and kill counts 0, 0, 2, 1, 0.
ErrorValueTable sample() {
    ErrorValueTable t = emptyErrorValues(5);
    const int totals[] = {2, 0, 2, 1, 0};
    const int kills[] = {0, 0, 2, 1, 0};
    for (int i = 0; i < 5; ++i) {
        t[i].ruledOut = totals[i];
        t[i].ruledOutByKill = kills[i];
        t[i].ruledOutByKeep = totals[i] - kills[i];
        t[i].weightedRuledOut = totals[i] * 10 + i;
        t[i].weightedRuledOutByKill = kills[i] * 10;
        t[i].weightedRuledOutByKeep = t[i].weightedRuledOut - t[i].weightedRuledOutByKill;
    }
    return t;
}

Numbers order(const ErrorValueModel& model) {
    Numbers numbers;
    for (const NumberErrorValues& row : model.rows())
        numbers.append(row.number);
    return numbers;
}

} // namespace

class tst_ErrorValues : public QObject {
    Q_OBJECT

private slots:
    void modelPassesTheTester();
    void rankingRequests_data();
    void rankingRequests();
    void cellsAndMarks();
    void nothingSelectedKeepsEveryNumber();
};

void tst_ErrorValues::modelPassesTheTester() {
    ErrorValueModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.setValues(sample());
    for (int column = 0; column < ErrorValueModel::ColumnCount; ++column)
        model.rankByColumn(column);
    model.setValues(emptyErrorValues(49));
    QCOMPARE(model.rowCount(), 49);
    QCOMPARE(model.columnCount(), 9);
}

void tst_ErrorValues::rankingRequests_data() {
    QTest::addColumn<QList<int>>("requests");
    QTest::addColumn<Numbers>("expected");
    QTest::addColumn<bool>("descending");
    QTest::addColumn<QString>("kept");
    QTest::addColumn<QString>("filtered");

    QTest::newRow("first ranking: total ascending, ties by number")
        << QList<int>{} << Numbers{2, 5, 4, 1, 3} << false << u"02 05 "_s << u"04 01 03 "_s;
    QTest::newRow("number twice: descending then ascending")
        << QList<int>{ErrorValueModel::Number} << Numbers{5, 4, 3, 2, 1} << true << u"05 02 "_s
        << u"04 03 01 "_s;
    QTest::newRow("number twice back to ascending")
        << QList<int>{ErrorValueModel::Number, ErrorValueModel::Number} << Numbers{1, 2, 3, 4, 5} << false
        << u"02 05 "_s << u"01 03 04 "_s;
    QTest::newRow("rank column flips only the direction")
        << QList<int>{ErrorValueModel::Rank} << Numbers{2, 5, 4, 1, 3} << true << u"02 05 "_s
        << u"04 01 03 "_s;
    QTest::newRow("status then kill count: two flips, ascending")
        << QList<int>{ErrorValueModel::Status, ErrorValueModel::RuledOutByKill} << Numbers{1, 2, 5, 4, 3}
        << false << u"02 05 "_s << u"01 04 03 "_s;
    QTest::newRow("total descending, ties by number ascending")
        << QList<int>{ErrorValueModel::RuledOut} << Numbers{1, 3, 4, 2, 5} << true << u"02 05 "_s
        << u"01 03 04 "_s;
    QTest::newRow("weighted keep descending")
        << QList<int>{ErrorValueModel::WeightedRuledOutByKeep} << Numbers{1, 5, 4, 3, 2} << true
        << u"05 02 "_s << u"01 04 03 "_s;
    // The status column reversed the direction; activation then ranks by total that way.
    QTest::newRow("activation after a flip ranks by total in the new direction")
        << QList<int>{ErrorValueModel::Status, -1} << Numbers{1, 3, 4, 2, 5} << true << u"02 05 "_s
        << u"01 03 04 "_s;
}

void tst_ErrorValues::rankingRequests() {
    QFETCH(QList<int>, requests);
    QFETCH(Numbers, expected);
    QFETCH(bool, descending);
    QFETCH(QString, kept);
    QFETCH(QString, filtered);

    ErrorValueModel model;
    model.setValues(sample());
    for (int column : requests) {
        if (column < 0)
            model.setValues(sample());
        else
            model.rankByColumn(column);
    }
    QCOMPARE(order(model), expected);
    QCOMPARE(model.descending(), descending);
    QCOMPARE(model.keptNumbers(), kept);
    QCOMPARE(model.filteredNumbers(), filtered);
}

void tst_ErrorValues::cellsAndMarks() {
    ErrorValueModel model;
    model.setValues(sample());
    // Row 0 is number 2 (kept), row 2 is number 4 (filtered out).
    QCOMPARE(model.data(model.index(0, ErrorValueModel::Rank)).toInt(), 1);
    QCOMPARE(model.data(model.index(2, ErrorValueModel::Rank)).toInt(), 3);
    QCOMPARE(model.data(model.index(2, ErrorValueModel::Number)).toInt(), 4);
    QCOMPARE(model.data(model.index(2, ErrorValueModel::WeightedRuledOut)).toInt(), 13);
    QCOMPARE(model.data(model.index(0, ErrorValueModel::Status)).toString(), u"保留"_s);
    QCOMPARE(model.data(model.index(2, ErrorValueModel::Status)).toString(), u"滤杀"_s);
    QCOMPARE(model.data(model.index(0, ErrorValueModel::Number), ErrorValueModel::GreyRowRole).toBool(),
             false);
    QCOMPARE(model.data(model.index(2, ErrorValueModel::Rank), ErrorValueModel::GreyRowRole).toBool(), false);
    for (int column = ErrorValueModel::Number; column <= ErrorValueModel::Status; ++column)
        QCOMPARE(model.data(model.index(2, column), ErrorValueModel::GreyRowRole).toBool(), true);
    QCOMPARE(model.headerData(2, Qt::Horizontal).toString(), u"杀留Err值（公式错误值）"_s);
    QCOMPARE(model.headerData(8, Qt::Horizontal).toString(), u"保留/滤杀"_s);
}

void tst_ErrorValues::nothingSelectedKeepsEveryNumber() {
    ErrorValueModel model;
    model.setValues(emptyErrorValues(49));
    QString all;
    for (int n = 1; n <= 49; ++n)
        all += u"%1 "_s.arg(n, 2, 10, QLatin1Char('0'));
    QCOMPARE(model.keptNumbers(), all);
    QVERIFY(model.filteredNumbers().isEmpty());
    for (int row = 0; row < 49; ++row)
        QCOMPARE(model.data(model.index(row, ErrorValueModel::Status)).toString(), u"保留"_s);
}

QTEST_GUILESS_MAIN(tst_ErrorValues)
#include "tst_ErrorValues.moc"
