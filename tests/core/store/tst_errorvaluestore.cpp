#include "store/ErrorValueStore.h"

#include <QTest>

#include <sqlite3.h>

using namespace talven;
using namespace Qt::StringLiterals;

namespace {

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

class TestErrorValueStore : public QObject {
    Q_OBJECT

private slots:
    void storeWritesExactlyTheNumbers_data();
    void storeWritesExactlyTheNumbers();
    void storeFailureLeavesTheTableUnchanged();
    void storeRejectsBrokenInput();
    void storeInsideACallersTransaction();
};

void TestErrorValueStore::storeWritesExactlyTheNumbers_data() {
    QTest::addColumn<int>("largest");
    QTest::newRow("49 numbers") << 49;
    QTest::newRow("fewer numbers drop the extra rows") << 40;
    QTest::newRow("more numbers add rows") << 60;
}

void TestErrorValueStore::storeWritesExactlyTheNumbers() {
    QFETCH(int, largest);
    Db db;
    ErrorValueTable values = emptyErrorValues(largest);
    for (NumberErrorValues& v : values) {
        v.ruledOutByKill = v.number % 3;
        v.ruledOutByKeep = 1;
        v.ruledOut = v.ruledOutByKill + 1;
        v.weightedRuledOutByKill = v.ruledOutByKill * 49;
        v.weightedRuledOutByKeep = 5;
        v.weightedRuledOut = v.weightedRuledOutByKill + 5;
    }
    QVERIFY(ErrorValueStore::save(db.db, values).ok());
    QCOMPARE(db.count("SELECT count(*) FROM Errarr"), largest);
    QCOMPARE(db.count("SELECT max(num) FROM Errarr"), largest);
    const Result<ErrorValueTable> loaded = ErrorValueStore::load(db.db);
    QVERIFY(loaded.ok());
    QCOMPARE(loaded.value(), values);
}

void TestErrorValueStore::storeFailureLeavesTheTableUnchanged() {
    Db db(", CHECK (ETrrcount < 100)");
    ErrorValueTable values = emptyErrorValues(49);
    values[30].ruledOut = 100;
    const Result<void> status = ErrorValueStore::save(db.db, values);
    QVERIFY(!status.ok());
    QVERIFY(status.message().contains(u"31"_s));
    QCOMPARE(db.count("SELECT count(*) FROM Errarr"), 49);
    QCOMPARE(db.count("SELECT sum(ETrrcount) FROM Errarr"), 49 * 7);
}

void TestErrorValueStore::storeRejectsBrokenInput() {
    QVERIFY(!ErrorValueStore::save(nullptr, emptyErrorValues(49)).ok());
    QVERIFY(!ErrorValueStore::load(nullptr).ok());
    Db db;
    ErrorValueTable gap = emptyErrorValues(49);
    gap.removeAt(10);
    QVERIFY(!ErrorValueStore::save(db.db, gap).ok());
    QCOMPARE(db.count("SELECT count(*) FROM Errarr"), 49);

    sqlite3* bare = nullptr;
    sqlite3_open(":memory:", &bare);
    QVERIFY(!ErrorValueStore::save(bare, emptyErrorValues(49)).ok());
    QVERIFY(!ErrorValueStore::load(bare).ok());
    sqlite3_close(bare);
}

void TestErrorValueStore::storeInsideACallersTransaction() {
    Db db;
    sqlite3_exec(db.db, "BEGIN", nullptr, nullptr, nullptr);
    QVERIFY(ErrorValueStore::save(db.db, emptyErrorValues(10)).ok());
    QCOMPARE(sqlite3_get_autocommit(db.db), 0);
    sqlite3_exec(db.db, "ROLLBACK", nullptr, nullptr, nullptr);
    QCOMPARE(db.count("SELECT count(*) FROM Errarr"), 49);
}

QTEST_GUILESS_MAIN(TestErrorValueStore)
#include "tst_errorvaluestore.moc"
