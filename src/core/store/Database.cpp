#include "Database.h"

#include <QFile>
#include <QFileInfo>

#include <functional>

#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace talven {

namespace {

QString columnType(int index) {
    return DrawColumns::isWide(index) ? u"INTEGER"_s : u"SMALLINT"_s;
}

// Every column of a history table with its declared type, in table order (235 columns).
QList<std::pair<QString, QString>> historyColumns() {
    QList<std::pair<QString, QString>> cols;
    for (int i = 0; i < DrawColumns::Count; ++i)
        cols.append({DrawColumns::name(i), columnType(i)});
    cols.append({u"canshu"_s, u"DOUBLE"_s});
    cols.append({u"PreCanshu"_s, u"INTEGER"_s});
    cols.append({u"CsSx"_s, u"SMALLINT"_s});
    cols.append({u"CsBs"_s, u"SMALLINT"_s});
    cols.append({u"CsWx"_s, u"SMALLINT"_s});
    for (int c = 1; c <= Database::FormulasPerTable; ++c)
        cols.append({u"GS"_s + QString::number(c), u"BOOLEAN"_s});
    for (int c = 1; c <= Database::FormulasPerTable; ++c)
        cols.append({u"GSZ"_s + QString::number(c), u"TEXT"_s});
    return cols;
}

const QStringList errarrColumns = {u"num"_s,          u"ETrrcount"_s,   u"Errcount"_s,   u"Trrcount"_s,
                                   u"ETrrcountPer"_s, u"ErrcountPer"_s, u"TrrcountPer"_s};

QStringList tableColumns(sqlite3* db, const QString& table) {
    QStringList names;
    Statement st(db, u"PRAGMA table_info(\"%1\")"_s.arg(table));
    while (st.ok() && st.stepRow())
        names.append(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st.get(), 1))));
    return names;
}

// Writes a new SQLite file under a temporary name and renames it over path only when `fill`
// succeeded, so no failure ever leaves a half-written file under the final name.
Status writeWholeFile(const QString& path, const QString& failure,
                      const std::function<Status(sqlite3*)>& fill) {
    const QString tmp = path + u".tmp"_s;
    QFile::remove(tmp);
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(tmp.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
        sqlite3_close_v2(db);
        QFile::remove(tmp);
        return Error{failure};
    }
    const Status failed = fill(db);
    sqlite3_close_v2(db);
    if (!failed && QFile::exists(path))
        QFile::remove(path);
    if (failed || !QFile::rename(tmp, path)) {
        QFile::remove(tmp);
        return failed ? failed : Status(Error{failure});
    }
    return std::nullopt;
}

Status execOn(sqlite3* db, const QString& sql) {
    char* msg = nullptr;
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &msg) != SQLITE_OK) {
        const QString text = QString::fromUtf8(msg ? msg : "");
        sqlite3_free(msg);
        return Error{u"数据库操作失败：%1"_s.arg(text)};
    }
    return std::nullopt;
}

} // namespace

Database::Database(sqlite3* db, QString path) : m_db(db), m_path(std::move(path)) {}

Database::~Database() {
    sqlite3_close_v2(m_db);
}

int Database::tablesInUse(int formulaCount) {
    return formulaCount <= 0 ? 1 : (formulaCount - 1) / FormulasPerTable + 1;
}

Result<std::unique_ptr<Database>> Database::open(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) {
        if (Status err = writeWholeFile(path, u"无法创建数据库文件 %1"_s.arg(path), createSchema))
            return *err;
    }
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK) {
        sqlite3_close_v2(db);
        return Error{u"无法打开数据库文件 %1"_s.arg(path)};
    }
    sqlite3_busy_timeout(db, 2000);
    if (Status bad = checkSchema(db)) {
        sqlite3_close_v2(db);
        return Error{u"数据库文件 %1 不是本软件的数据库，未作任何修改（%2）"_s.arg(path, bad->message)};
    }
    // A large page cache keeps a whole history rewrite in memory until it is committed.
    execOn(db, u"PRAGMA cache_size=-131072"_s);
    return std::unique_ptr<Database>(new Database(db, path));
}

Status Database::createSchema(sqlite3* db) {
    // History rows are wide (235 columns): larger pages make whole-history writes cheaper.
    QString sql = u"PRAGMA page_size=16384; BEGIN;"_s;
    sql += u"CREATE TABLE Gongshi (Idx SMALLINT, gongshi TEXT, maType SMALLINT, bolKill BOOLEAN);"_s;
    sql += u"CREATE INDEX GongshiIdx ON Gongshi (Idx);"_s;
    QStringList defs;
    for (const auto& [name, type] : historyColumns())
        defs.append(name + u' ' + type);
    const QString body = defs.join(u", "_s);
    for (int t = 0; t < HistoryTableCount; ++t) {
        sql += u"CREATE TABLE %1 (%2);"_s.arg(historyTable(t), body);
        sql += u"CREATE INDEX %1QQH ON %1 (QQH);"_s.arg(historyTable(t));
    }
    sql += u"CREATE TABLE Errarr (num SMALLINT PRIMARY KEY, ETrrcount SMALLINT, Errcount SMALLINT, "
           u"Trrcount SMALLINT, ETrrcountPer INTEGER, ErrcountPer INTEGER, TrrcountPer INTEGER);"_s;
    for (int n = 1; n <= 49; ++n)
        sql += u"INSERT INTO Errarr VALUES (%1, 0, 0, 0, 0, 0, 0);"_s.arg(n);
    sql += u"COMMIT;"_s;
    if (Status err = execOn(db, sql)) {
        execOn(db, u"ROLLBACK"_s);
        return err;
    }
    return std::nullopt;
}

Status Database::checkSchema(sqlite3* db) {
    // Reading the schema is the first access: a file that is not SQLite fails here.
    if (Status err = execOn(db, u"SELECT count(*) FROM sqlite_master"_s))
        return err;
    const QStringList gongshi = tableColumns(db, u"Gongshi"_s);
    for (const QString& col : {u"Idx"_s, u"gongshi"_s, u"maType"_s, u"bolKill"_s})
        if (!gongshi.contains(col, Qt::CaseInsensitive))
            return Error{u"缺少表 Gongshi 的列 %1"_s.arg(col)};
    QStringList expected;
    for (const auto& col : historyColumns())
        expected.append(col.first.toUpper());
    for (int t = 0; t < HistoryTableCount; ++t) {
        QStringList cols = tableColumns(db, historyTable(t));
        for (QString& c : cols)
            c = c.toUpper();
        if (cols != expected)
            return Error{u"表 %1 的列与本软件不符"_s.arg(historyTable(t))};
    }
    const QStringList err = tableColumns(db, u"Errarr"_s);
    for (const QString& col : errarrColumns)
        if (!err.contains(col, Qt::CaseInsensitive))
            return Error{u"缺少表 Errarr 的列 %1"_s.arg(col)};
    return std::nullopt;
}

Status Database::exec(const QString& sql) {
    return execOn(m_db, sql);
}

void Database::rollback() {
    if (!sqlite3_get_autocommit(m_db))
        execOn(m_db, u"ROLLBACK"_s);
}

QString Database::lastError() const {
    return QString::fromUtf8(sqlite3_errmsg(m_db));
}

Status Database::backupTo(const QString& path) {
    return writeWholeFile(path, u"无法写入备份文件 %1"_s.arg(path), [this, &path](sqlite3* dest) -> Status {
        sqlite3_backup* backup = sqlite3_backup_init(dest, "main", m_db, "main");
        int rc = SQLITE_ERROR;
        if (backup) {
            rc = sqlite3_backup_step(backup, -1);
            sqlite3_backup_finish(backup);
        }
        if (rc != SQLITE_DONE)
            return Error{u"无法写入备份文件 %1"_s.arg(path)};
        return std::nullopt;
    });
}

Result<std::vector<FormulaRow>> Database::loadFormulas() {
    std::vector<FormulaRow> rows;
    Statement st(m_db, u"SELECT Idx, gongshi, maType, bolKill FROM Gongshi ORDER BY Idx"_s);
    if (!st.ok())
        return Error{u"无法读取公式表：%1"_s.arg(lastError())};
    while (st.stepRow()) {
        FormulaRow row;
        row.idx = sqlite3_column_int(st.get(), 0);
        row.code = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st.get(), 1)));
        row.kind = sqlite3_column_type(st.get(), 2) == SQLITE_NULL ? -1 : sqlite3_column_int(st.get(), 2);
        row.kill = sqlite3_column_int(st.get(), 3) != 0; // a null flag reads as keep
        rows.push_back(std::move(row));
    }
    return rows;
}

Result<std::vector<DrawValues>> Database::loadDraws() {
    QStringList names;
    for (int i = 0; i < DrawColumns::Count; ++i)
        names.append(DrawColumns::name(i));
    Statement st(m_db, u"SELECT %1 FROM Lishi0 ORDER BY QQH"_s.arg(names.join(u',')));
    if (!st.ok())
        return Error{u"无法读取历史号码：%1"_s.arg(lastError())};
    std::vector<DrawValues> draws;
    while (st.stepRow()) {
        DrawValues v{};
        for (int i = 0; i < DrawColumns::Count; ++i)
            v[static_cast<size_t>(i)] = sqlite3_column_int(st.get(), i);
        draws.push_back(v);
    }
    return draws;
}

Result<std::vector<std::pair<bool, QString>>> Database::loadResults(int t, int c) {
    Statement st(m_db, u"SELECT GS%1, GSZ%1 FROM %2 ORDER BY QQH"_s.arg(c).arg(historyTable(t)));
    if (!st.ok())
        return Error{lastError()};
    std::vector<std::pair<bool, QString>> out;
    while (st.stepRow()) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st.get(), 1));
        out.emplace_back(sqlite3_column_int(st.get(), 0) != 0, text ? QString::fromUtf8(text) : QString());
    }
    return out;
}

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

void Statement::bindDouble(int index, double value) {
    sqlite3_bind_double(m_stmt, index, value);
}

bool Statement::stepRow() {
    return m_stmt && sqlite3_step(m_stmt) == SQLITE_ROW;
}

bool Statement::run() {
    if (!m_stmt)
        return false;
    int rc;
    while ((rc = sqlite3_step(m_stmt)) == SQLITE_ROW) {
    }
    return rc == SQLITE_DONE;
}

void Statement::reset() {
    // Bindings stay: every caller binds all parameters again before the next step.
    sqlite3_reset(m_stmt);
}

} // namespace talven
