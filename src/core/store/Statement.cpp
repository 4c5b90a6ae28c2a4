#include "Statement.h"

#include <sqlite3.h>

namespace talven {

Statement::Statement(sqlite3* db, const QString& sql) {
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &m_stmt, nullptr) != SQLITE_OK) {
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
    }
}

Statement::~Statement() {
    sqlite3_finalize(m_stmt);
}

void Statement::bindInt(int index, int value) {
    sqlite3_bind_int(m_stmt, index, value);
}

void Statement::bindNull(int index) {
    sqlite3_bind_null(m_stmt, index);
}

void Statement::bindText(int index, const QString& text) {
    if (text.isNull()) {
        sqlite3_bind_null(m_stmt, index);
        return;
    }
    const QByteArray utf8 = text.toUtf8();
    sqlite3_bind_text(m_stmt, index, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
}

void Statement::bindUtf8(int index, const QByteArray& utf8) {
    sqlite3_bind_text(m_stmt, index, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_STATIC);
}

bool Statement::stepRow() {
    if (!m_stmt)
        return false;
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc != SQLITE_DONE)
        m_failed = true;
    return false;
}

bool Statement::run() {
    if (!m_stmt)
        return false;
    int rc;
    while ((rc = sqlite3_step(m_stmt)) == SQLITE_ROW) {
    }
    m_failed = rc != SQLITE_DONE;
    return !m_failed;
}

void Statement::reset() {
    // Bindings stay: every caller binds all parameters again before the next step.
    sqlite3_reset(m_stmt);
    m_failed = false;
}

int Statement::columnInt(int column) const {
    return sqlite3_column_int(m_stmt, column);
}

bool Statement::columnIsNull(int column) const {
    return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}

QString Statement::columnText(int column) const {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
    return text ? QString::fromUtf8(text, sqlite3_column_bytes(m_stmt, column)) : QString();
}

} // namespace talven
