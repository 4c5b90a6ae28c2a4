// Another program on the same database: a lock it holds, and changes it commits between our
// reading the database and our own change.
#include "SessionFixture.h"
#include "SqlHelper.h"
#include "store/Backups.h"
#include "store/Database.h"

#include <QSignalSpy>
#include <QTest>

#include <atomic>
#include <chrono>
#include <thread>

using namespace Qt::StringLiterals;
using namespace talven;
using namespace talven::test;

namespace {

// Holds an exclusive lock on the database from a second connection, as another program would.
class LockHolder {
public:
    LockHolder(const QString& path, std::chrono::milliseconds hold) {
        m_thread = std::thread([this, path, hold] {
            SqlConnection db(path, SqlConnection::Mode::ReadWrite);
            db.exec(u"BEGIN EXCLUSIVE"_s);
            m_held = true;
            std::this_thread::sleep_for(hold);
            db.exec(u"COMMIT"_s);
        });
        while (!m_held)
            std::this_thread::yield();
    }
    ~LockHolder() { m_thread.join(); }

private:
    std::thread m_thread;
    std::atomic<bool> m_held = false;
};

QList<int> periodsOf(const QString& dbPath, int table) {
    return SqlConnection(dbPath).integers(u"SELECT QQH FROM Lishi%1 ORDER BY QQH"_s.arg(table));
}

// The bytes of the database and of every backup generation, to show that nothing moved.
QList<QByteArray> filesOf(const QString& dbPath) {
    QList<QByteArray> all;
    for (const QString& file :
         {dbPath, Backups::path(dbPath, 0), Backups::path(dbPath, 1), Backups::path(dbPath, 2)}) {
        QFile in(file);
        all.append(in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray());
    }
    return all;
}

// A data directory with a database of four draws and backups of three, two and one.
void prepareGenerations(Fixture& f) {
    QVERIFY(f.reopen());
    for (int n = 1; n <= 4; ++n)
        QVERIFY(f.importHistory(f.firstDraws(n)).ok());
}

QList<int> idxOf(const Session& s) {
    QList<int> out;
    for (const FormulaRow& r : s.formulas())
        out.append(r.idx);
    return out;
}

} // namespace

class TestConcurrency : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { Database::setBusyTimeout(Database::BusyTimeoutMs); }

    // A lock held for a moment is waited for; one held longer is reported as such, and the
    // history is never taken for empty.
    void lockedDatabase_data() {
        QTest::addColumn<int>("holdMs");
        QTest::addColumn<int>("timeoutMs");
        QTest::addColumn<bool>("opens");
        QTest::newRow("released within the wait") << 300 << 5000 << true;
        QTest::newRow("held beyond the wait") << 1500 << 200 << false;
    }
    void lockedDatabase() {
        QFETCH(int, holdMs);
        QFETCH(int, timeoutMs);
        QFETCH(bool, opens);
        Fixture f;
        QVERIFY(f.reopen());
        QVERIFY(f.importHistory(f.write(u"h.txt"_s, history)).ok());
        f.session.reset();
        Database::setBusyTimeout(timeoutMs);
        {
            LockHolder lock(f.dbPath(), std::chrono::milliseconds(holdMs));
            auto s = Session::open(f.dir.path(), f.settings);
            QCOMPARE(s.ok(), opens);
            if (opens) {
                QCOMPARE(s.value()->draws().size(), size_t(7));
            } else {
                QCOMPARE(s.code(), ErrorCode::Busy);
                QVERIFY(s.message().contains(u"正被另一个程序使用"_s));
            }
        }
        Database::setBusyTimeout(Database::BusyTimeoutMs);
        QVERIFY(f.reopen());
        QCOMPARE(f.session->draws().size(), size_t(7));
    }

    // A change that loses to another program's lock says so and moves no backup.
    void refusedUnderLockMovesNoBackup_data() {
        QTest::addColumn<QString>("action");
        QTest::newRow("restore") << u"restore"_s;
        QTest::newRow("undo of an import") << u"undo"_s;
        QTest::newRow("import") << u"import"_s;
    }
    void refusedUnderLockMovesNoBackup() {
        QFETCH(QString, action);
        Database::setBusyTimeout(200);
        Fixture f;
        prepareGenerations(f);
        const QString file = f.write(u"h.txt"_s, history);
        const QList<QByteArray> before = filesOf(f.dbPath());
        Result<void> outcome;
        {
            LockHolder lock(f.dbPath(), std::chrono::milliseconds(1500));
            if (action == u"restore"_s)
                outcome = f.session->restoreBackup(2).wait();
            else if (action == u"undo"_s)
                outcome = f.session->undo().wait();
            else if (auto imported = f.importHistory(file); !imported)
                outcome = imported.error();
        }
        QVERIFY(!outcome);
        QCOMPARE(outcome.code(), ErrorCode::Busy);
        QVERIFY2(outcome.message().contains(u"数据库正被另一个程序使用"_s), qPrintable(outcome.message()));
        QVERIFY(filesOf(f.dbPath()) == before);
        QCOMPARE(f.session->draws().size(), size_t(4));
    }

    // An import racing draws added by other programs rotates the generations once when it is kept
    // and not at all when it loses, and leaves no copy of its own behind.
    void importRacingOtherProgramsKeepsEveryGeneration() {
        Fixture f;
        prepareGenerations(f);
        QSettings otherSettings(f.dir.filePath(u"other.ini"_s), QSettings::IniFormat);
        std::vector<std::unique_ptr<Session>> others;
        for (int i = 0; i < 3; ++i) {
            auto other = Session::open(f.dir.path(), otherSettings);
            QVERIFY(other.ok());
            others.push_back(std::move(other.value()));
        }
        const QString file = f.write(u"h.txt"_s, history);
        for (int round = 0; round < 4; ++round) {
            const QList<QByteArray> before = filesOf(f.dbPath());
            auto import = f.session->importHistory(file);
            for (auto& other : others)
                QVERIFY(other->addDraw({1, 2, 3, 4, 5, 6, 7}).wait());
            const bool kept = import.wait().ok();
            const QList<QByteArray> after = filesOf(f.dbPath());
            if (kept) {
                QCOMPARE(after[2], before[1]);
                QCOMPARE(after[3], before[2]);
            } else {
                QCOMPARE(after.mid(1), before.mid(1));
            }
            QCOMPARE(QDir(f.dir.path()).entryList({u"*.tmp"_s}, QDir::Files), QStringList());
        }
    }

    // Two programs adding formulas: each change starts from what the database holds then.
    void twoProgramsAddingFormulas() {
        Fixture f;
        QVERIFY(f.reopen());
        QVERIFY(f.importHistory(f.write(u"h.txt"_s, history)).ok());
        QSettings otherSettings(f.dir.filePath(u"other.ini"_s), QSettings::IniFormat);
        auto other = Session::open(f.dir.path(), otherSettings);
        QVERIFY(other.ok());
        QVERIFY(f.addFormula(u"[D单特类]特码数+1"_s, 0, true));
        QVERIFY(other.value()->addFormula(u"[D单特类]特码数+2"_s, FormulaKind::SpecialNumber, true).wait());
        QCOMPARE(idxOf(*other.value()), (QList<int>{1, 2}));
        // The first program deletes the formula it never saw being added.
        QVERIFY(f.deleteFormula(2));
        QCOMPARE(idxOf(*f.session), QList<int>{1});
        QVERIFY(f.reopen());
        QCOMPARE(idxOf(*f.session), QList<int>{1});
        QCOMPARE(f.session->formulas().front().code, u"D7A+1"_s);
    }

    // A draw added by a program that read the history before another replaced it follows the new
    // history, and every table holds the same draws.
    void drawAddedWhileAnotherImports() {
        Fixture f;
        QVERIFY(f.reopen());
        QVERIFY(f.importHistory(f.write(u"h.txt"_s, history)).ok());
        QByteArray formulas;
        for (int i = 0; i < 51; ++i)
            formulas += "[D单特类]特码数+" + QByteArray::number(i) + "\n";
        QVERIFY(f.importFormulas(f.write(u"f.txt"_s, formulas), true).ok());
        QSettings otherSettings(f.dir.filePath(u"other.ini"_s), QSettings::IniFormat);
        auto other = Session::open(f.dir.path(), otherSettings);
        QVERIFY(other.ok());
        QVERIFY(f.importHistory(
                     f.write(u"h2.txt"_s, "2027001 01 02 03 04 05 06 07\n2027002 11 12 13 14 15 16 17\n"))
                    .ok());
        QVERIFY(other.value()->addDraw({21, 22, 23, 24, 25, 26, 27}).wait());
        const QList<int> expected{2027001, 2027002, 2027003};
        QCOMPARE(periodsOf(f.dbPath(), 0), expected);
        QCOMPARE(periodsOf(f.dbPath(), 1), expected);
        // The watch reads the other program's change in by itself.
        QSignalSpy reloaded(f.session.get(), &Session::reloadedAfterOtherProgram);
        f.session->watchOtherPrograms(10);
        QTRY_COMPARE(reloaded.size(), 1);
        QCOMPARE(f.session->draws().size(), size_t(3));
    }
};

QTEST_GUILESS_MAIN(TestConcurrency)
#include "tst_concurrency.moc"
