#pragma once

#include "common/Result.h"

#include <QString>

#include <memory>

struct sqlite3;

namespace talven {

// The prepared database file: the formula table Gongshi, the history tables Lishi0..Lishi30
// (every one holding the same draws) and the error-value table Errarr. One connection, used by
// one thread at a time.
class Database {
public:
    static constexpr int MaxFormulas = 1536;
    static constexpr int FormulasPerTable = 50;
    static constexpr int HistoryTableCount = 31;
    static constexpr const char* FileName = "orvane.mdb";
    // How long a statement waits for another program's lock before the database counts as busy.
    static constexpr int BusyTimeoutMs = 5000;

    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Opens the file, creating the prepared database when it is missing. A file that cannot be
    // opened or does not hold this schema is refused and left untouched.
    static Result<std::unique_ptr<Database>> open(const QString& path);

    const QString& path() const { return m_path; }
    sqlite3* handle() const { return m_db; }

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
    bool inTransaction() const;

    // Changes whenever another connection commits (SQLite's data_version); our own commits leave
    // it as it is.
    Result<int> dataVersion();

    // Copies the whole database to another file with SQLite's online backup.
    Result<void> backupTo(const QString& path);

    QString lastError() const;
    // The error of the last failed statement, prefixed with what was being done; a lock held by
    // another program, a read-only file and a full disk get their own codes and words.
    Error failure(const QString& what) const;

private:
    Database(sqlite3* db, QString path);
    static Result<void> createSchema(sqlite3* db);
    static Result<void> checkSchema(sqlite3* db);

    sqlite3* m_db = nullptr;
    QString m_path;
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
