#include "SqlHelper.h"
#include "store/Database.h"
#include "store/ErrorValueStore.h"

#include <QTemporaryDir>
#include <QTest>

using namespace talven;
using namespace talven::test;
using namespace Qt::StringLiterals;

namespace {

// A new database file, its error values all 7 killed of 7 formulas.
struct Db {
    QTemporaryDir dir;
    std::unique_ptr<Database> db;
    Db() {
        db = std::move(Database::open(dir.filePath(u"orvane.mdb"_s)).value());
        (void)db->exec(u"UPDATE Errarr SET ETrrcount = 7, Errcount = 7, ETrrcountPer = 7, ErrcountPer = 7"_s);
    }
    int count(const QString& sql) const { return SqlConnection(db->handle()).integer(sql); }
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
    QVERIFY(ErrorValueStore::save(*db.db, values).ok());
    QCOMPARE(db.count(u"SELECT count(*) FROM Errarr"_s), largest);
    QCOMPARE(db.count(u"SELECT max(num) FROM Errarr"_s), largest);
    const Result<ErrorValueTable> loaded = ErrorValueStore::load(*db.db);
    QVERIFY(loaded.ok());
    QCOMPARE(loaded.value(), values);
}

void TestErrorValueStore::storeFailureLeavesTheTableUnchanged() {
    Db db;
    QVERIFY(db.db->exec(u"CREATE TRIGGER refuse BEFORE INSERT ON Errarr WHEN NEW.ETrrcount >= 100 "
                        u"BEGIN SELECT RAISE(ABORT, 'too large'); END"_s));
    ErrorValueTable values = emptyErrorValues(49);
    values[30].ruledOut = 100;
    const Result<void> status = ErrorValueStore::save(*db.db, values);
    QVERIFY(!status.ok());
    QVERIFY(status.message().contains(u"31"_s));
    QCOMPARE(db.count(u"SELECT count(*) FROM Errarr"_s), 49);
    QCOMPARE(db.count(u"SELECT sum(ETrrcount) FROM Errarr"_s), 49 * 7);
}

void TestErrorValueStore::storeRejectsBrokenInput() {
    Db db;
    ErrorValueTable gap = emptyErrorValues(49);
    gap.removeAt(10);
    QVERIFY(!ErrorValueStore::save(*db.db, gap).ok());
    QCOMPARE(db.count(u"SELECT count(*) FROM Errarr"_s), 49);

    QVERIFY(db.db->exec(u"DROP TABLE Errarr"_s));
    QVERIFY(!ErrorValueStore::save(*db.db, emptyErrorValues(49)).ok());
    QVERIFY(!ErrorValueStore::load(*db.db).ok());
}

void TestErrorValueStore::storeInsideACallersTransaction() {
    Db db;
    QVERIFY(db.db->beginWrite());
    QVERIFY(ErrorValueStore::save(*db.db, emptyErrorValues(10)).ok());
    // The caller's transaction is still open: its rollback undoes the save.
    db.db->rollback();
    QCOMPARE(db.count(u"SELECT count(*) FROM Errarr"_s), 49);
}

QTEST_GUILESS_MAIN(TestErrorValueStore)
#include "tst_errorvaluestore.moc"
