#pragma once

#include "lottery/DrawColumns.h"
#include "store/Result.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace talven {

// One row of the formula table.
struct FormulaRow {
    int idx = 0;
    QString code; // gongshi: the code expression
    int kind = 0; // maType
    bool kill = false;
};

// The prepared database file: the formula table Gongshi, the history tables Lishi0..Lishi30
// (every one holding the same draws) and the error-value table Errarr.
class Database {
public:
    static constexpr int MaxFormulas = 1536;
    static constexpr int FormulasPerTable = 50;
    static constexpr int HistoryTableCount = 31;
    static constexpr const char* FileName = "orvane.mdb";

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

    // Runs a statement that returns no rows.
    Status exec(const QString& sql);
    // Begins, commits or rolls back the single transaction of a change.
    Status begin() { return exec(QStringLiteral("BEGIN IMMEDIATE")); }
    Status commit() { return exec(QStringLiteral("COMMIT")); }
    void rollback();

    // Copies the whole database to another file with SQLite's online backup.
    Status backupTo(const QString& path);

    Result<std::vector<FormulaRow>> loadFormulas();
    // Period and every stored draw column of each draw of Lishi0, oldest first.
    Result<std::vector<DrawValues>> loadDraws();
    // Hit flag and predicted value of formula column c (1..50) of table t, one per draw, oldest
    // first; an empty value text means null.
    Result<std::vector<std::pair<bool, QString>>> loadResults(int t, int c);

    QString lastError() const;

private:
    Database(sqlite3* db, QString path);
    static Status createSchema(sqlite3* db);
    static Status checkSchema(sqlite3* db);

    sqlite3* m_db = nullptr;
    QString m_path;
};

// A prepared statement that finalises itself.
class Statement {
public:
    Statement(sqlite3* db, const QString& sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool ok() const { return m_stmt != nullptr; }
    sqlite3_stmt* get() const { return m_stmt; }
    void bindInt(int index, int value);
    void bindNull(int index);
    void bindText(int index, const QString& text);
    // Binds UTF-8 bytes that outlive the statement's next step.
    void bindUtf8(int index, const QByteArray& utf8);
    void bindDouble(int index, double value);
    // Steps once; true while a row is available.
    bool stepRow();
    // Runs to completion; false on an error.
    bool run();
    void reset();

private:
    sqlite3_stmt* m_stmt = nullptr;
    QByteArray m_scratch;
};

} // namespace talven
