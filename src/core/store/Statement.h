#pragma once

#include <QByteArray>
#include <QString>

struct sqlite3;
struct sqlite3_stmt;

namespace talven {

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
    // Steps once; true while a row is available. A failed step ends the rows and sets failed(),
    // so that a read error is never taken for the end of the table.
    bool stepRow();
    bool failed() const { return m_failed || !m_stmt; }
    // Runs to completion; false on an error.
    bool run();
    void reset();

    int columnInt(int column) const;
    bool columnIsNull(int column) const;
    QString columnText(int column) const;

private:
    sqlite3_stmt* m_stmt = nullptr;
    bool m_failed = false;
};

} // namespace talven
