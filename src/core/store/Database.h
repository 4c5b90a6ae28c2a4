#pragma once

#include "common/Limits.h"
#include "common/Result.h"

#include <QString>

#include <memory>

struct sqlite3;
class QThread;

namespace talven {

// The prepared database file: the formula table Gongshi, the history tables Lishi0..Lishi30
// (every one holding the same draws) and the error-value table Errarr. One connection, opened
// without SQLite's own locking: only the thread that opened it may use it. Debug builds and the
// tests check that on every use.
class Database {
public:
    static constexpr int MaxFormulas = talven::MaxFormulas;
    static constexpr int FormulasPerTable = 50;
    static constexpr int HistoryTableCount = 31;
    static constexpr const char* FileName = "orvane.mdb";
    // How long a statement waits for another program's lock before the database counts as busy.
    static constexpr int BusyTimeoutMs = 5000;

    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    enum class OpenMode {
        CreateIfMissing, // the data directory's database, made with every table when missing
        ReadExisting,    // a backup to restore from: only read
    };
    // Opens the file. A file that cannot be opened or does not hold this schema is refused and left
    // untouched; a lock held by another program is reported as such after the busy timeout.
    static Result<std::unique_ptr<Database>> open(const QString& path,
                                                  OpenMode mode = OpenMode::CreateIfMissing);
    // Tests shorten the wait for another program's lock.
    static void setBusyTimeout(int ms) { s_busyTimeoutMs = ms; }

    // Turns the owner-thread check on or off (on in debug builds); the tests turn it on.
    static void checkOwnerThread(bool on) { s_checkOwner = on; }

    const QString& path() const { return m_path; }
    // True when the file can only be read (its permissions, or a read-only medium).
    bool readOnly() const;
    sqlite3* handle() const {
        assertOwner();
        return m_db;
    }

    static QString historyTable(int t) { return QStringLiteral("Lishi") + QString::number(t); }
    // Number of history tables in use for a formula count: (count - 1) \ 50 + 1, at least one.
    static int tablesInUse(int formulaCount);

    // Runs statements that return no rows.
    Result<void> exec(const QString& sql);
    // The transaction of a change: the write lock is taken at once, so nothing another program
    // commits can come between the check that the database is unchanged and the writes.
    Result<void> beginWrite();
    // A read transaction, so that everything read belongs to one state of the file.
    Result<void> beginRead();
    Result<void> commit();
    void rollback();

    // Changes whenever another connection commits (SQLite's data_version); our own commits leave
    // it as it is.
    Result<int> dataVersion();

    // Copies the whole database into a new file at path with SQLite's online backup.
    Result<void> copyTo(const QString& path);
    // Replaces the whole content by another database's, in one step.
    Result<void> restoreFrom(Database& source);
    // Renames a file over another in one step (the old one stays whole until then); the system's
    // words are the cause of a failure.
    static Result<void> replaceFile(const QString& from, const QString& to);
    // Folds a database file's write-ahead log (-wal, as other SQLite tools leave it) into the file
    // itself through SQLite and puts it back in rollback-journal mode, so that the file alone holds
    // its committed state and no -wal or -shm stays beside it. Nothing to do for a file without a
    // log; a log that cannot be folded in (a read-only file) is refused naming the file.
    static Result<void> foldLog(const QString& path);

    // What marks the file as another program's (SQLite's application_id or user_version set; this
    // program sets neither); empty when nothing does.
    QString otherProgramMark();

    QString lastError() const;
    // The error of the last failed statement, prefixed with what was being done; a lock held by
    // another program, a read-only file and a full disk get their own codes and words.
    Error failure(const QString& what) const;

private:
    Database(sqlite3* db, QString path);
    // Stops the program when another thread than the opener's uses the connection.
    void assertOwner() const;
    static Result<void> createSchema(sqlite3* db);
    static Result<void> checkSchema(sqlite3* db);

    sqlite3* m_db = nullptr;
    QString m_path;
    QThread* m_owner = nullptr;
    static inline int s_busyTimeoutMs = BusyTimeoutMs;
#ifdef QT_NO_DEBUG
    static inline bool s_checkOwner = false;
#else
    static inline bool s_checkOwner = true;
#endif
};

// The transaction of one change: rolled back when it goes out of scope without commit().
class Transaction {
public:
    explicit Transaction(Database& db) : m_db(db) {}
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    Result<void> beginWrite();
    Result<void> commit();
    void rollback();
    bool active() const { return m_active; }

private:
    Database& m_db;
    bool m_active = false;
};

} // namespace talven
