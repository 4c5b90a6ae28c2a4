// Backups put back what they hold, in any journal mode, and nothing but a regular copy of another
// state is taken for one.
#include "SqlHelper.h"
#include "Watchdog.h"
#include "store/Backups.h"
#include "store/Database.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

using namespace talven;
using namespace talven::test;
using namespace Qt::StringLiterals;

namespace {

// A database of this program's schema holding `draws` rows in Lishi0.
bool makeDatabase(const QString& path, int draws) {
    auto db = Database::open(path);
    return db &&
           db.value()->exec(u"WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < %1) "
                            u"INSERT INTO Lishi0 (QQH) SELECT 2000000 + x FROM n"_s.arg(draws));
}

// Turns the file to WAL mode, as another SQLite tool leaves it, and commits the deletion of its
// newest row into the log alone: the file without its -wal holds one draw more than it should.
bool leaveInWalMode(const QString& path) {
    SqlConnection db(path, SqlConnection::Mode::ReadWrite);
    sqlite3_db_config(db.handle(), SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    return db.exec(u"PRAGMA journal_mode=WAL"_s) == SQLITE_OK &&
           db.exec(u"DELETE FROM Lishi0 WHERE rowid = (SELECT max(rowid) FROM Lishi0)"_s) == SQLITE_OK;
}

int draws(const QString& path) {
    return SqlConnection(path).integer(u"SELECT count(*) FROM Lishi0"_s);
}

// The bytes of every regular file of the folder, and the names of everything in it.
QMap<QString, QByteArray> folderBytes(const QString& folder) {
    QMap<QString, QByteArray> bytes;
    const QDir dir(folder);
    for (const QFileInfo& entry :
         dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        QFile file(entry.filePath());
        bytes[entry.fileName()] = entry.isFile() && !entry.isSymLink() && file.open(QIODevice::ReadOnly)
                                      ? file.readAll()
                                      : QByteArray();
    }
    return bytes;
}

} // namespace

class TestBackups : public QObject {
    Q_OBJECT

private slots:
    // Generations 0, 1 and 2 hold 30, 20 and 10 draws; those in WAL mode one draw less, committed
    // in their -wal alone. A restore (or an import's copy, chosen -1) puts back and moves what each
    // holds with its log, and leaves no -wal or -shm under any name.
    void generationsMoveWithTheirLogs_data() {
        QTest::addColumn<QList<int>>("inWalMode");
        QTest::addColumn<int>("chosen");
        QTest::addColumn<QList<int>>("after"); // draws in the database and generations 0, 1, 2
        QTest::newRow("rollback-journal backup restored") << QList<int>{} << 0 << QList<int>{30, 4, 20, 10};
        QTest::newRow("WAL backup restored") << QList<int>{0} << 0 << QList<int>{29, 4, 20, 10};
        QTest::newRow("oldest restored, WAL generations moved")
            << QList<int>{0, 1, 2} << 2 << QList<int>{9, 4, 29, 19};
        QTest::newRow("import's copy kept, WAL generations moved")
            << QList<int>{0, 1, 2} << -1 << QList<int>{4, 4, 29, 19};
    }
    void generationsMoveWithTheirLogs() {
        QFETCH(QList<int>, inWalMode);
        QFETCH(int, chosen);
        QFETCH(QList<int>, after);
        QTemporaryDir dir;
        const QString live = dir.filePath(u"orvane.mdb"_s);
        QVERIFY(makeDatabase(live, 4));
        for (int g = 0; g < Backups::Generations; ++g) {
            QVERIFY(makeDatabase(Backups::path(live, g), 30 - 10 * g));
            if (inWalMode.contains(g))
                QVERIFY(leaveInWalMode(Backups::path(live, g)));
        }
        if (!inWalMode.isEmpty())
            QVERIFY(QFile::exists(Backups::path(live, inWalMode.first()) + u"-wal"_s));
        {
            auto db = Database::open(live);
            QVERIFY(db);
            if (chosen >= 0) {
                const auto restored = Backups::restore(*db.value(), chosen);
                QVERIFY2(restored, qPrintable(restored.error().shown()));
            } else {
                auto copy = Backups::take(*db.value());
                QVERIFY(copy);
                QVERIFY(copy->keep());
            }
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 (QStringList{u"orvane.mdb"_s, u"orvane.mdb.bak"_s, u"orvane.mdb.bak.1"_s,
                              u"orvane.mdb.bak.2"_s}));
        QCOMPARE((QList<int>{draws(live), draws(Backups::path(live, 0)), draws(Backups::path(live, 1)),
                             draws(Backups::path(live, 2))}),
                 after);
    }

    // What lies where a backup belongs but is no other state is refused at once, naming what it is,
    // and nothing in the folder changes.
    void onlyACopyOfAnotherStateIsRestored_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("said");
        QTest::newRow("hard link to the database") << u"hard link"_s << u"正在使用的数据库文件"_s;
        QTest::newRow("symbolic link to the database") << u"symlink"_s << u"正在使用的数据库文件"_s;
        QTest::newRow("fifo without a writer") << u"fifo"_s << u"命名管道"_s;
        QTest::newRow("folder") << u"folder"_s << u"文件夹"_s;
        QTest::newRow("device") << u"device"_s << u"设备文件"_s;
    }
    void onlyACopyOfAnotherStateIsRestored() {
        QFETCH(QString, kind);
        QFETCH(QString, said);
        QTemporaryDir dir;
        const QString live = dir.filePath(u"orvane.mdb"_s);
        const QString chosen = Backups::path(live, 0);
        QVERIFY(makeDatabase(live, 4));
        QVERIFY(makeDatabase(Backups::path(live, 1), 3));
        const QByteArray name = QFile::encodeName(chosen);
        if (kind == u"hard link"_s)
            QCOMPARE(::link(QFile::encodeName(live).constData(), name.constData()), 0);
        else if (kind == u"symlink"_s)
            QVERIFY(QFile::link(live, chosen));
        else if (kind == u"fifo"_s)
            QCOMPARE(::mkfifo(name.constData(), 0600), 0);
        else if (kind == u"folder"_s)
            QVERIFY(QDir(dir.path()).mkdir(u"orvane.mdb.bak"_s));
        else
            QVERIFY(QFile::link(u"/dev/null"_s, chosen));
        const auto before = folderBytes(dir.path());
        {
            auto db = Database::open(live);
            QVERIFY(db);
            const Watchdog guard("a restore from a file that is no backup");
            const auto restored = Backups::restore(*db.value(), 0);
            QVERIFY(!restored);
            QVERIFY2(restored.error().shown().contains(said), qPrintable(restored.error().shown()));
        }
        QCOMPARE(folderBytes(dir.path()), before);
    }

    // A failed move says the system's own words after the plain sentence.
    void failedMoveKeepsTheSystemCause() {
        QTemporaryDir dir;
        const auto moved = Database::replaceFile(dir.filePath(u"missing"_s), dir.filePath(u"there"_s));
        QVERIFY(!moved);
        QVERIFY(moved.message().startsWith(u"无法把"_s));
        QCOMPARE(moved.error().cause, QString::fromLocal8Bit(std::strerror(ENOENT)));
        QVERIFY(moved.error().shown().endsWith(u"（原因："_s + moved.error().cause + u"）"_s));
    }
};

QTEST_GUILESS_MAIN(TestBackups)
#include "tst_backups.moc"
