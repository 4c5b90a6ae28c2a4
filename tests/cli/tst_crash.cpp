// Kills talven-cli with SIGKILL at random moments of the commands that change the database and
// checks after every kill that the database is wholly the old one or wholly the new one, and that
// the next start-up succeeds. TALVEN_CRASH_ROUNDS sets the number of rounds (a short run by
// default), TALVEN_CRASH_SEED the seed of the kill delays.

#include "Samples.h"
#include "SqlHelper.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <algorithm>
#include <functional>
#include <memory>

using namespace Qt::StringLiterals;
using talven::test::SqlConnection;

namespace {

constexpr int FormulasPerTable = 50;

// What a reader finds in the database; error is empty when every invariant holds.
struct State {
    QString error;
    bool hotJournal = false;  // the process died inside a commit: SQLite had to roll back
    quint32 commits = 0;      // SQLite's file change counter
    QDateTime journalWritten; // invalid when there is no rollback journal
    QStringList periods;      // QQH of Lishi0, oldest first
    QStringList formulas;     // "gongshi|maType|bolKill" in Idx order
};

QString integrity(const SqlConnection& db, int* code = nullptr) {
    QStringList result;
    const int rc = db.select(u"PRAGMA integrity_check"_s, result);
    if (code)
        *code = rc;
    return rc == SQLITE_OK ? result.join(u"; "_s) : QString::fromUtf8(sqlite3_errstr(rc));
}

struct Outcome {
    bool killed = false; // SIGKILL landed while the process was running
    int exitCode = -1;
    qint64 msecs = 0;
    QString err;
};

// Where the kills of one command landed, and what they found, with its expected run time. The
// transaction may also be the start-up's, which brings the rows in line after a killed option change.
struct Figures {
    qint64 msecs = 0;
    int rounds = 0, beforeWrites = 0, inTransaction = 0, inCommit = 0, afterCommit = 0, completed = 0,
        corruptions = 0;
};

// One changing command: its arguments and the draws and formulas once it is wholly done.
struct Command {
    QString name;
    std::function<QStringList(const State&)> args;
    std::function<State(State)> done;
};

bool sameData(const State& a, const State& b) {
    return a.periods == b.periods && a.formulas == b.formulas;
}

} // namespace

class TestCrash : public QObject {
    Q_OBJECT

    QTemporaryDir m_tmp;
    QString m_data, m_db;
    QProcessEnvironment m_env;
    QString m_historyA, m_historyB, m_historyAppend, m_formulaFile;
    QStringList m_periodsA, m_periodsB, m_fileFormulas;
    std::vector<Command> m_commands;
    std::vector<Figures> m_figures; // one per command
    State m_restored;               // what the restore-backup under way puts back

    Outcome cli(const QStringList& args, int killAfterMsecs = -1) {
        QProcess p;
        p.setProcessEnvironment(m_env);
        QElapsedTimer timer;
        timer.start();
        p.start(QStringLiteral(TALVEN_CLI_PATH), QStringList{u"--data-dir"_s, m_data} + args);
        Outcome o;
        if (!p.waitForStarted())
            return o;
        const bool kill = !p.waitForFinished(killAfterMsecs < 0 ? 120000 : killAfterMsecs);
        if (kill) {
            p.kill();
            p.waitForFinished(-1);
        }
        o.msecs = timer.elapsed();
        // A crash of its own is a failure like a non-zero exit code.
        o.killed = kill && p.exitStatus() == QProcess::CrashExit;
        o.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        o.err = QString::fromUtf8(p.readAllStandardError());
        return o;
    }

    // Reads the database read-only and checks the invariants every state must keep.
    State readState() {
        State s;
        auto fail = [&s](const QString& what) {
            if (s.error.isEmpty())
                s.error = what;
        };
        if (const QFileInfo journal(m_db + u"-journal"_s); journal.exists())
            s.journalWritten = journal.lastModified();
        QString file = m_db;
        auto db = std::make_unique<SqlConnection>(file);
        int rc = SQLITE_OK;
        QString check = integrity(*db, &rc);
        if (rc == SQLITE_READONLY_ROLLBACK) {
            // Checked on a copy, where SQLite rolls the hot journal back as the next opener does, so
            // that talven-cli still meets the journal itself.
            db.reset();
            file = m_tmp.filePath(u"copy.mdb"_s);
            for (const QString& suffix : {QString(), u"-journal"_s}) {
                QFile::remove(file + suffix);
                QFile::copy(m_db + suffix, file + suffix);
            }
            db = std::make_unique<SqlConnection>(file, SqlConnection::Mode::ReadWrite);
            s.hotJournal = true;
            check = integrity(*db);
        }
        if (QFile header(file); header.open(QIODevice::ReadOnly) && header.seek(24))
            s.commits = qFromBigEndian<quint32>(header.read(4).leftJustified(4, 0).constData());
        QStringList idx;
        if (check != u"ok"_s)
            fail(u"integrity_check: "_s + check);
        else if (db->select(u"SELECT QQH FROM Lishi0 ORDER BY QQH"_s, s.periods) ||
                 db->select(u"SELECT Idx FROM Gongshi ORDER BY Idx"_s, idx) ||
                 db->select(u"SELECT gongshi, maType, bolKill FROM Gongshi ORDER BY Idx, rowid"_s,
                            s.formulas))
            fail(db->errorMessage());
        for (qsizetype i = 0; i < idx.size(); ++i)
            if (idx.at(i) != QString::number(i + 1))
                fail(u"Idx %1 at position %2 of Gongshi"_s.arg(idx.at(i)).arg(i + 1));
        for (qsizetype t = 1; s.error.isEmpty() && t <= (s.formulas.size() - 1) / FormulasPerTable; ++t) {
            QStringList periods;
            if (db->select(u"SELECT QQH FROM Lishi%1 ORDER BY QQH"_s.arg(t), periods) || periods != s.periods)
                fail(u"Lishi%1 holds %2 draws, Lishi0 %3"_s.arg(t).arg(periods.size()).arg(s.periods.size()));
        }
        db.reset();
        if (QFile::exists(m_db + u".bak"_s))
            if (const QString bakCheck = integrity(SqlConnection(m_db + u".bak"_s)); bakCheck != u"ok"_s)
                fail(u"orvane.mdb.bak: "_s + bakCheck);
        return s;
    }

    // The draws and formulas of the newest backup, which restore-backup puts back.
    State backupState() const {
        State s;
        const SqlConnection db(m_db + u".bak"_s);
        db.select(u"SELECT QQH FROM Lishi0 ORDER BY QQH"_s, s.periods);
        db.select(u"SELECT gongshi, maType, bolKill FROM Gongshi ORDER BY Idx, rowid"_s, s.formulas);
        return s;
    }

    // The draws and formulas of the database and of backups 0, 1 and 2; an absent file is marked by
    // its error.
    QList<State> keptStates() const {
        QList<State> states;
        for (const QString& file :
             QStringList{m_db, m_db + u".bak"_s, m_db + u".bak.1"_s, m_db + u".bak.2"_s}) {
            State s;
            if (!QFile::exists(file))
                s.error = u"absent"_s;
            const SqlConnection db(file);
            db.select(u"SELECT QQH FROM Lishi0 ORDER BY QQH"_s, s.periods);
            db.select(u"SELECT gongshi, maType, bolKill FROM Gongshi ORDER BY Idx, rowid"_s, s.formulas);
            states.append(s);
        }
        return states;
    }

    // Flips an option as stored now, so that every settings round changes the stored rows.
    QStringList flip(const QString& key, const QString& on, const QString& off) {
        QSettings conf(m_tmp.filePath(u"home/.config/TALVEN/TALVEN.conf"_s), QSettings::IniFormat);
        return {u"settings"_s, key, conf.value(u"IniSetting/"_s + key).toString() == on ? off : on};
    }

private slots:
    void initTestCase() {
        QVERIFY(m_tmp.isValid());
        m_data = m_tmp.filePath(u"data"_s);
        m_db = m_data + u"/orvane.mdb"_s;
        m_env = QProcessEnvironment::systemEnvironment();
        m_env.insert(u"HOME"_s, m_tmp.filePath(u"home"_s));
        m_env.insert(u"XDG_CONFIG_HOME"_s, m_tmp.filePath(u"home/.config"_s));
        m_historyA = QStringLiteral(TALVEN_SOURCE_DIR "/samples/history.txt");
        m_formulaFile = QStringLiteral(TALVEN_SOURCE_DIR "/samples/formulas-utf8.txt");
        // The second history is the first without its newest 300 draws.
        QFile a(m_historyA);
        QVERIFY(a.open(QIODevice::ReadOnly));
        QList<QByteArray> lines = a.readAll().trimmed().split('\n');
        lines.resize(lines.size() - 300);
        m_historyB = m_tmp.filePath(u"history-b.txt"_s);
        QFile b(m_historyB);
        QVERIFY(b.open(QIODevice::WriteOnly) && b.write(lines.join('\n') + '\n') > 0);
        b.close();

        QCOMPARE(cli({u"import-history"_s, m_historyA}).exitCode, 0);
        // An append needs every line's period: the same draws as the history shows them.
        QProcess history;
        history.setProcessEnvironment(m_env);
        history.start(QStringLiteral(TALVEN_CLI_PATH), {u"--data-dir"_s, m_data, u"history"_s, u"--json"_s});
        QVERIFY(history.waitForFinished(120000) && history.exitCode() == 0);
        m_historyAppend = m_tmp.filePath(u"history-periods.txt"_s);
        QFile withPeriods(m_historyAppend);
        QVERIFY(withPeriods.open(QIODevice::WriteOnly));
        for (const QJsonValue draw : QJsonDocument::fromJson(history.readAllStandardOutput()).array()) {
            QStringList line{QString::number(draw[u"period"_s].toInt())};
            for (const QJsonValue n : draw[u"numbers"_s].toArray())
                line.append(QString::number(n.toInt()));
            withPeriods.write(line.join(u' ').toUtf8() + '\n');
        }
        withPeriods.close();
        // Four formula files' worth: three history tables in use.
        for (int i = 0; i < 4; ++i)
            QCOMPARE(cli({u"import-formulas"_s, m_formulaFile}).exitCode, 0);
        const State prepared = readState();
        QVERIFY2(prepared.error.isEmpty(), qPrintable(prepared.error));
        QVERIFY(prepared.formulas.size() > 2 * FormulasPerTable);
        m_periodsA = prepared.periods;
        m_periodsB = m_periodsA.first(m_periodsA.size() - 300);
        m_fileFormulas = prepared.formulas.first(prepared.formulas.size() / 4);
        m_commands = {
            {u"import-history"_s,
             [this](const State& s) {
                 return QStringList{u"import-history"_s, s.periods == m_periodsA ? m_historyB : m_historyA};
             },
             [this](State s) {
                 s.periods = s.periods == m_periodsA ? m_periodsB : m_periodsA;
                 return s;
             }},
            // After an import of the shorter history, appends the rest; after the longer one, a
            // change of nothing.
            {u"import-history --append"_s,
             [this](const State&) {
                 return QStringList{u"import-history"_s, m_historyAppend, u"--append"_s};
             },
             [this](State s) {
                 if (s.periods == m_periodsB)
                     s.periods = m_periodsA;
                 return s;
             }},
            {u"import-formulas"_s,
             [this](const State&) {
                 return QStringList{u"import-formulas"_s, m_formulaFile};
             },
             [this](State s) {
                 s.formulas += m_fileFormulas;
                 return s;
             }},
            {u"delete-formula"_s,
             [](const State&) {
                 return QStringList{u"delete-formula"_s, u"1"_s};
             },
             [](State s) {
                 s.formulas.removeFirst();
                 return s;
             }},
            {u"restore-backup"_s,
             [this](const State&) {
                 m_restored = backupState();
                 return QStringList{u"restore-backup"_s};
             },
             [this](State s) {
                 s.periods = m_restored.periods;
                 s.formulas = m_restored.formulas;
                 return s;
             }},
            {u"settings YEAR"_s, [this](const State&) { return flip(u"YEAR"_s, u"True"_s, u"False"_s); },
             [](State s) { return s; }},
            {u"settings BsIni"_s, [this](const State&) { return flip(u"BsIni"_s, u"1"_s, u"0"_s); },
             [](State s) { return s; }},
        };

        // Each command once to completion: its run time spreads the kill delays over its whole run.
        QVERIFY(QFile::copy(m_db, m_tmp.filePath(u"prepared.mdb"_s)));
        State state = prepared;
        m_figures.resize(m_commands.size());
        for (size_t i = 0; i < m_commands.size(); ++i) {
            const Command& c = m_commands[i];
            const Outcome o = cli(c.args(state));
            QVERIFY2(o.exitCode == 0, qPrintable(c.name + u": "_s + o.err));
            const State after = readState();
            QVERIFY2(after.error.isEmpty(), qPrintable(after.error));
            QVERIFY2(sameData(after, c.done(state)), qPrintable(c.name));
            m_figures[i].msecs = std::max<qint64>(o.msecs, 50);
            state = after;
        }
    }

    // An import or a restore killed at each step after its copy of the database is taken: every
    // state is in a file at that moment, and the next start completes what was committed or begun
    // (a restore killed before anything moved is left undone). A backup in WAL mode, as SQLite
    // leaves it, holds 5 draws in its -wal and 2 in the file alone: its 5 are what is restored.
    void killedBetweenCopyAndBackups_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("step");
        QTest::addColumn<bool>("walBackup");
        QTest::addColumn<QList<int>>("after"); // draws in the database and backups 0, 1 and 2
        const QStringList restore{u"restore-backup"_s, u"1"_s};
        const QList<int> restored{2, 4, 3, 1};
        QTest::newRow("restore: copy taken") << restore << u"copied"_s << false << QList<int>{4, 3, 2, 1};
        QTest::newRow("restore: chosen copy set aside") << restore << u"aside"_s << false << restored;
        QTest::newRow("restore: newer generation moved") << restore << u"shift"_s << false << restored;
        QTest::newRow("restore: replaced database newest") << restore << u"newest"_s << false << restored;
        QTest::newRow("restore: database replaced") << restore << u"restored"_s << false << restored;
        const QList<int> walRestored{5, 4, 3, 1};
        QTest::newRow("WAL restore: copy taken") << restore << u"copied"_s << true << QList<int>{4, 3, 5, 1};
        QTest::newRow("WAL restore: chosen copy set aside") << restore << u"aside"_s << true << walRestored;
        QTest::newRow("WAL restore: database replaced") << restore << u"restored"_s << true << walRestored;
        const QStringList import{u"import-history"_s, u"h5.txt"_s};
        const QList<int> imported{5, 4, 3, 2};
        QTest::newRow("import: committed") << import << u"committed"_s << false << imported;
        QTest::newRow("import: oldest set aside") << import << u"aside"_s << false << imported;
        QTest::newRow("import: newer generation moved") << import << u"shift"_s << false << imported;
    }

    void killedBetweenCopyAndBackups() {
        QFETCH(QStringList, args);
        QFETCH(QString, step);
        QFETCH(bool, walBackup);
        QFETCH(QList<int>, after);
        QTemporaryDir dir;
        QString data = dir.filePath(u"data"_s);
        auto run = [&](const QStringList& args, const QString& fault = QString()) {
            QProcess p;
            QProcessEnvironment env = m_env;
            if (!fault.isEmpty())
                env.insert(u"TALVEN_FAULT"_s, fault);
            p.setProcessEnvironment(env);
            p.setWorkingDirectory(dir.path());
            p.start(fault.isEmpty() ? QStringLiteral(TALVEN_CLI_PATH)
                                    : QStringLiteral(TALVEN_FAULTY_CLI_PATH),
                    QStringList{u"--data-dir"_s, data} + args);
            p.waitForFinished(120000);
            return p.exitStatus() == QProcess::CrashExit ? -1 : p.exitCode();
        };
        for (int n = 1; n <= 5; ++n) {
            QFile h(dir.filePath(u"h%1.txt"_s.arg(n)));
            QVERIFY(h.open(QIODevice::WriteOnly) && h.write(talven::test::sampleDraws(n)) > 0);
            h.close();
            if (n < 5)
                QCOMPARE(run({u"import-history"_s, h.fileName()}), 0);
        }
        auto draws = [](const QString& file) {
            QStringList periods;
            SqlConnection(file).select(u"SELECT QQH FROM Lishi0"_s, periods);
            return int(periods.size());
        };
        const QString db = data + u"/orvane.mdb"_s;
        auto generations = [&] {
            return QList<int>{draws(db), draws(db + u".bak"_s), draws(db + u".bak.1"_s),
                              draws(db + u".bak.2"_s)};
        };
        QCOMPARE(generations(), (QList<int>{4, 3, 2, 1}));
        QList<int> states{1, 2, 3, 4};
        if (walBackup) {
            // Five draws from a data folder of their own, committed into backup 1's log alone.
            const QString five = data;
            data = dir.filePath(u"five"_s);
            QCOMPARE(run({u"import-history"_s, dir.filePath(u"h5.txt"_s)}), 0);
            data = five;
            {
                SqlConnection bak(db + u".bak.1"_s, SqlConnection::Mode::ReadWrite);
                sqlite3_db_config(bak.handle(), SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
                QCOMPARE(bak.exec(u"PRAGMA journal_mode=WAL; ATTACH '%1' AS five; DELETE FROM Lishi0; "
                                  u"INSERT INTO Lishi0 SELECT * FROM five.Lishi0; DETACH five"_s.arg(
                                      dir.filePath(u"five/orvane.mdb"_s))),
                         SQLITE_OK);
            }
            QVERIFY(QFile::exists(db + u".bak.1-wal"_s));
            states = {1, 3, 4, 5};
        }

        QCOMPARE(run(args, u"kill@"_s + step), -1);
        QList<int> held;
        for (const QString& name : QDir(data).entryList(QDir::Files | QDir::Hidden))
            if (!name.endsWith(u"-journal"_s))
                held.append(draws(QDir(data).filePath(name)));
        for (const int state : states)
            QVERIFY2(held.contains(state), qPrintable(u"%1 draws lost"_s.arg(state)));

        QCOMPARE(run({u"history"_s}), 0);
        QCOMPARE(generations(), after);
        QCOMPARE(QDir(data).entryList(QDir::Files | QDir::Hidden),
                 (QStringList{u"orvane.mdb"_s, u"orvane.mdb.bak"_s, u"orvane.mdb.bak.1"_s,
                              u"orvane.mdb.bak.2"_s}));
    }

    void killAtRandomMoments() {
        auto env = [](const char* name, int fallback) {
            bool ok = false;
            const int value = qEnvironmentVariableIntValue(name, &ok);
            return ok ? value : fallback;
        };
        const int rounds = env("TALVEN_CRASH_ROUNDS", 12);
        const auto seed = quint32(env("TALVEN_CRASH_SEED", 20240601));
        QRandomGenerator rng(seed);
        State state = readState();
        QString failure;
        for (int round = 0; round < rounds && failure.isEmpty(); ++round) {
            // Imports grow the formula table: it is kept small, which keeps every round short.
            if (state.formulas.size() > 5 * FormulasPerTable) {
                QFile::remove(m_db + u"-journal"_s);
                QFile::remove(m_db);
                QVERIFY(QFile::copy(m_tmp.filePath(u"prepared.mdb"_s), m_db));
                state = readState();
            }
            const Command& c = m_commands[size_t(round) % m_commands.size()];
            Figures& f = m_figures[size_t(round) % m_commands.size()];
            const QStringList args = c.args(state);
            const int delay = int(rng.bounded(quint32(f.msecs * 5 / 4 + 1)));
            const QList<State> keptBefore = keptStates();
            const Outcome o = cli(args, delay);
            State after = readState();
            ++f.rounds;
            if (!o.killed)
                ++f.completed;
            else if (after.hotJournal)
                ++f.inCommit;
            else if (after.commits != state.commits)
                ++f.afterCommit;
            else
                ++(after.journalWritten == state.journalWritten ? f.beforeWrites : f.inTransaction);
            // The run time grows with the formula table and with a repair at start-up; the estimate
            // follows it so that some kills still land after the end.
            f.msecs = o.killed ? std::max<qint64>(f.msecs, delay) : std::max<qint64>(o.msecs, 50);
            QString problem = after.error;
            if (!o.killed && o.exitCode != 0)
                problem = u"exit code %1: %2"_s.arg(o.exitCode).arg(o.err);
            else if (problem.isEmpty() && !sameData(after, state) && !sameData(after, c.done(state)))
                problem = u"neither the old nor the new state: %1 draws, %2 formulas before; %3, %4 after"_s
                              .arg(state.periods.size())
                              .arg(state.formulas.size())
                              .arg(after.periods.size())
                              .arg(after.formulas.size());
            // After a kill and every third round the next start-up, which brings the stored rows in
            // line, must succeed and keep the draws and formulas; it completes a restore killed
            // half-way.
            const bool restoring = c.name == u"restore-backup"_s;
            if (problem.isEmpty() && (o.killed || round % 3 == 2)) {
                const Outcome h = cli({u"history"_s});
                const State repaired = readState();
                if (h.exitCode != 0)
                    problem = u"history after the kill: exit code %1: %2"_s.arg(h.exitCode).arg(h.err);
                else if (!repaired.error.isEmpty() ||
                         !(sameData(repaired, after) || (restoring && sameData(repaired, c.done(state)))))
                    problem = u"start-up changed the database: "_s + repaired.error;
                after = repaired;
            }
            // No backup is lost, and the state an import or a restore replaces becomes one; a
            // history import that replaced the draws rotates the oldest generation out.
            if (problem.isEmpty() && (o.killed || round % 3 == 2)) {
                const QList<State> keptAfter = keptStates();
                const bool replacing = c.name == u"import-history"_s || restoring;
                const bool rotated = c.name == u"import-history"_s && !sameData(after, state);
                for (qsizetype i = replacing ? 0 : 1; i < keptBefore.size() - (rotated ? 1 : 0); ++i)
                    if (keptBefore[i].error.isEmpty() && problem.isEmpty() &&
                        std::none_of(keptAfter.begin(), keptAfter.end(), [&](const State& k) {
                            return k.error.isEmpty() && sameData(k, keptBefore[i]);
                        }))
                        problem = u"the state of %1 draws and %2 formulas (%3 before) is lost"_s
                                      .arg(keptBefore[i].periods.size())
                                      .arg(keptBefore[i].formulas.size())
                                      .arg(i == 0 ? u"the database"_s : u"backup %1"_s.arg(i - 1));
            }
            if (!problem.isEmpty()) {
                ++f.corruptions;
                m_tmp.setAutoRemove(false);
                failure = u"round %1 (seed %2): talven-cli --data-dir %3 %4, %5 after %6 ms: %7"_s.arg(round)
                              .arg(seed)
                              .arg(m_data, args.join(u' '), o.killed ? u"killed"_s : u"finished"_s)
                              .arg(o.killed ? delay : o.msecs)
                              .arg(problem);
            }
            state = after;
        }
        qInfo("seed %u, %d rounds", seed, rounds);
        for (size_t i = 0; i < m_commands.size(); ++i) {
            const Figures& f = m_figures[i];
            qInfo("%-24s %3d rounds, killed: %3d before writing, %3d in a transaction, %2d in a commit, "
                  "%2d after a commit; %3d completed; %d corruptions",
                  qPrintable(m_commands[i].name), f.rounds, f.beforeWrites, f.inTransaction, f.inCommit,
                  f.afterCommit, f.completed, f.corruptions);
        }
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
    }
};

QTEST_GUILESS_MAIN(TestCrash)
#include "tst_crash.moc"
