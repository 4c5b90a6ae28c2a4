#include "errorvalues/ErrorValueModel.h"
#include "errorvalues/ErrorValueStore.h"

#include <QAbstractItemModelTester>
#include <QTest>

#include <sqlite3.h>

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
        t[i].eTrrcount = totals[i];
        t[i].errcount = kills[i];
        t[i].trrcount = totals[i] - kills[i];
        t[i].eTrrcountPer = totals[i] * 10 + i;
        t[i].errcountPer = kills[i] * 10;
        t[i].trrcountPer = t[i].eTrrcountPer - t[i].errcountPer;
    }
    return t;
}

Numbers order(const ErrorValueModel& model) {
    Numbers numbers;
    for (const NumberErrorValues& row : model.rows())
        numbers.append(row.number);
    return numbers;
}

// An in-memory database with the error-value table as the prepared file ships it.
struct Db {
    sqlite3* db = nullptr;
    explicit Db(const char* extraCheck = "") {
        sqlite3_open(":memory:", &db);
        const QByteArray sql = "CREATE TABLE Errarr (num SMALLINT PRIMARY KEY, ETrrcount SMALLINT, "
                               "Errcount SMALLINT, Trrcount SMALLINT, ETrrcountPer INTEGER, "
                               "ErrcountPer INTEGER, TrrcountPer INTEGER" +
                               QByteArray(extraCheck) + ");";
        sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr);
        for (int n = 1; n <= 49; ++n)
            sqlite3_exec(db,
                         QByteArray("INSERT INTO Errarr VALUES (" + QByteArray::number(n) + ",7,7,0,7,7,0)")
                             .constData(),
                         nullptr, nullptr, nullptr);
    }
    ~Db() { sqlite3_close(db); }
    int count(const char* sql) const {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, sql, -1, &st, nullptr);
        sqlite3_step(st);
        const int value = sqlite3_column_int(st, 0);
        sqlite3_finalize(st);
        return value;
    }
};

} // namespace

class tst_ErrorValues : public QObject {
    Q_OBJECT

private slots:
    void modelPassesTheTester();
    void rankingRequests_data();
    void rankingRequests();
    void cellsAndMarks();
    void nothingSelectedKeepsEveryNumber();
    void storeWritesExactlyTheNumbers_data();
    void storeWritesExactlyTheNumbers();
    void storeFailureLeavesTheTableUnchanged();
    void storeRejectsBrokenInput();
    void storeInsideACallersTransaction();
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
        << QList<int>{ErrorValueModel::Status, ErrorValueModel::Errcount} << Numbers{1, 2, 5, 4, 3} << false
        << u"02 05 "_s << u"01 04 03 "_s;
    QTest::newRow("total descending, ties by number ascending")
        << QList<int>{ErrorValueModel::ETrrcount} << Numbers{1, 3, 4, 2, 5} << true << u"02 05 "_s
        << u"01 03 04 "_s;
    QTest::newRow("weighted keep descending")
        << QList<int>{ErrorValueModel::TrrcountPer} << Numbers{1, 5, 4, 3, 2} << true << u"05 02 "_s
        << u"01 04 03 "_s;
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
    QCOMPARE(model.data(model.index(2, ErrorValueModel::ETrrcountPer)).toInt(), 13);
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

void tst_ErrorValues::storeWritesExactlyTheNumbers_data() {
    QTest::addColumn<int>("largest");
    QTest::newRow("49 numbers") << 49;
    QTest::newRow("fewer numbers drop the extra rows") << 40;
    QTest::newRow("more numbers add rows") << 60;
}

void tst_ErrorValues::storeWritesExactlyTheNumbers() {
    QFETCH(int, largest);
    Db db;
    ErrorValueTable values = emptyErrorValues(largest);
    for (NumberErrorValues& v : values) {
        v.errcount = v.number % 3;
        v.trrcount = 1;
        v.eTrrcount = v.errcount + 1;
        v.errcountPer = v.errcount * 49;
        v.trrcountPer = 5;
        v.eTrrcountPer = v.errcountPer + 5;
    }
    QCOMPARE(ErrorValueStore::save(db.db, values), std::nullopt);
    QCOMPARE(db.count("SELECT count(*) FROM Errarr"), largest);
    QCOMPARE(db.count("SELECT max(num) FROM Errarr"), largest);
    const Result<ErrorValueTable> loaded = ErrorValueStore::load(db.db);
    QVERIFY(loaded.ok());
    QCOMPARE(loaded.value(), values);
}

void tst_ErrorValues::storeFailureLeavesTheTableUnchanged() {
    Db db(", CHECK (ETrrcount < 100)");
    ErrorValueTable values = emptyErrorValues(49);
    values[30].eTrrcount = 100;
    const Status status = ErrorValueStore::save(db.db, values);
    QVERIFY(status.has_value());
    QVERIFY(status->message.contains(u"31"_s));
    QCOMPARE(db.count("SELECT count(*) FROM Errarr"), 49);
    QCOMPARE(db.count("SELECT sum(ETrrcount) FROM Errarr"), 49 * 7);
}

void tst_ErrorValues::storeRejectsBrokenInput() {
    QVERIFY(ErrorValueStore::save(nullptr, emptyErrorValues(49)).has_value());
    QVERIFY(!ErrorValueStore::load(nullptr).ok());
    Db db;
    ErrorValueTable gap = emptyErrorValues(49);
    gap.removeAt(10);
    QVERIFY(ErrorValueStore::save(db.db, gap).has_value());
    QCOMPARE(db.count("SELECT count(*) FROM Errarr"), 49);

    sqlite3* bare = nullptr;
    sqlite3_open(":memory:", &bare);
    QVERIFY(ErrorValueStore::save(bare, emptyErrorValues(49)).has_value());
    QVERIFY(!ErrorValueStore::load(bare).ok());
    sqlite3_close(bare);
}

void tst_ErrorValues::storeInsideACallersTransaction() {
    Db db;
    sqlite3_exec(db.db, "BEGIN", nullptr, nullptr, nullptr);
    QCOMPARE(ErrorValueStore::save(db.db, emptyErrorValues(10)), std::nullopt);
    QCOMPARE(sqlite3_get_autocommit(db.db), 0);
    sqlite3_exec(db.db, "ROLLBACK", nullptr, nullptr, nullptr);
    QCOMPARE(db.count("SELECT count(*) FROM Errarr"), 49);
}

QTEST_GUILESS_MAIN(tst_ErrorValues)
#include "tst_ErrorValues.moc"
