#pragma once

// The tests' own way into a database file: what another program (a second window, a sync tool, a
// reader checking what was stored) would do with its own connection.

#include <QList>
#include <QString>
#include <QStringList>

#include <sqlite3.h>

namespace talven::test {

class SqlConnection {
public:
    enum class Mode { ReadOnly, ReadWrite };

    // A connection of its own to the file at path; ReadWrite creates a missing file.
    explicit SqlConnection(const QString& path, Mode mode = Mode::ReadOnly) : m_owned(true) {
        const int flags =
            mode == Mode::ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
        sqlite3_open_v2(path.toUtf8().constData(), &m_db, flags, nullptr);
    }
    // Queries through a connection someone else owns and closes (a Database's handle).
    explicit SqlConnection(sqlite3* borrowed) : m_db(borrowed) {}
    ~SqlConnection() {
        if (m_owned)
            sqlite3_close_v2(m_db);
    }
    SqlConnection(const SqlConnection&) = delete;
    SqlConnection& operator=(const SqlConnection&) = delete;

    sqlite3* handle() const { return m_db; }
    QString errorMessage() const { return QString::fromUtf8(sqlite3_errmsg(m_db)); }

    // Runs statements that return no rows; SQLite's result code.
    int exec(const QString& sql) {
        return sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, nullptr);
    }

    // Appends every row of a query to rows, its columns joined by '|' (NULL as empty); SQLite's
    // extended result code, SQLITE_OK when every row was read.
    int select(const QString& sql, QStringList& rows) const {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(m_db, sql.toUtf8().constData(), -1, &st, nullptr) != SQLITE_OK)
            return sqlite3_extended_errcode(m_db);
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            QStringList columns;
            for (int c = 0; c < sqlite3_column_count(st); ++c)
                columns.append(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, c))));
            rows.append(columns.join(u'|'));
        }
        const int code = rc == SQLITE_DONE ? SQLITE_OK : sqlite3_extended_errcode(m_db);
        sqlite3_finalize(st);
        return code;
    }
    QStringList rows(const QString& sql) const {
        QStringList out;
        select(sql, out);
        return out;
    }
    // The rows of a query of one integer column.
    QList<int> integers(const QString& sql) const {
        QList<int> out;
        for (const QString& row : rows(sql))
            out.append(row.toInt());
        return out;
    }
    // The first column of the first row; 0 without one.
    int integer(const QString& sql) const { return integers(sql).value(0); }

private:
    sqlite3* m_db = nullptr;
    bool m_owned = false;
};

} // namespace talven::test
