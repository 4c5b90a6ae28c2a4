#include "Database.h"

#include "common/Platform.h"
#include "lottery/DrawColumns.h"
#include "store/Statement.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <cstring>
#include <filesystem>
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

ErrorCode errorCodeOf(int code);
Result<void> execOn(sqlite3* db, const QString& sql);

const QStringList errarrColumns = {u"num"_s,          u"ETrrcount"_s,   u"Errcount"_s,   u"Trrcount"_s,
                                   u"ETrrcountPer"_s, u"ErrcountPer"_s, u"TrrcountPer"_s};

Result<QStringList> tableColumns(sqlite3* db, const QString& table) {
    QStringList names;
    Statement st(db, u"PRAGMA table_info(\"%1\")"_s.arg(table));
    while (st.stepRow())
        names.append(st.columnText(1));
    if (st.failed())
        return Error{QString::fromUtf8(sqlite3_errmsg(db)), errorCodeOf(sqlite3_extended_errcode(db))};
    return names;
}

// Words for the result codes a user can do something about; empty for the others.
QString explanation(int code) {
    switch (code & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return u"数据库正被另一个程序使用，请稍后再试"_s;
    case SQLITE_READONLY:
        return u"数据库文件是只读的，无法保存修改"_s;
    case SQLITE_FULL:
        return u"磁盘已满，无法保存修改"_s;
    default:
        return QString();
    }
}

ErrorCode errorCodeOf(int code) {
    switch (code & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return ErrorCode::Busy;
    case SQLITE_READONLY:
        return ErrorCode::ReadOnly;
    case SQLITE_FULL:
    case SQLITE_IOERR:
    case SQLITE_CANTOPEN:
        return ErrorCode::Io;
    case SQLITE_NOTADB:
        return ErrorCode::Foreign;
    default:
        return ErrorCode::Database;
    }
}

Error failureOf(int code, const QString& what, const QString& detail) {
    const QString words = explanation(code);
    // SQLite's own message stays with the plain words, as the cause.
    if (words.isEmpty())
        return Error{u"%1：%2"_s.arg(what, detail), errorCodeOf(code)};
    return Error{u"%1：%2"_s.arg(what, words), errorCodeOf(code)}.withCause(detail);
}

// SQLite's words for a connection that failed to open, with the system's when it gave some.
QString openFailureCause(sqlite3* db, int rc) {
    QString cause = QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
    if (const int errnum = db ? sqlite3_system_errno(db) : 0; errnum != 0)
        cause += u"："_s + QString::fromLocal8Bit(std::strerror(errnum));
    return cause;
}

// Fills a new SQLite file at path; a failure leaves no file behind.
Result<void> fillFile(const QString& path, const QString& failure,
                      const std::function<Result<void>(sqlite3*)>& fill) {
    QFile::remove(path);
    sqlite3* db = nullptr;
    if (const int rc = sqlite3_open_v2(path.toUtf8().constData(), &db,
                                       SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
        rc != SQLITE_OK) {
        Error failed = Error{failure, ErrorCode::Io}.withCause(openFailureCause(db, rc));
        sqlite3_close_v2(db);
        QFile::remove(path);
        return failed;
    }
    Result<void> filled = fill(db);
    // A copy of a database in WAL mode would carry that mode along and leave a -wal beside it.
    if (filled)
        filled = execOn(db, u"PRAGMA journal_mode=DELETE"_s);
    if (sqlite3_close(db) != SQLITE_OK)
        sqlite3_close_v2(db);
    if (!filled)
        QFile::remove(path);
    return filled;
}

// Writes a new SQLite file under a temporary name and renames it over path only when `fill`
// succeeded, so no failure ever leaves a half-written file under the final name.
Result<void> writeWholeFile(const QString& path, const QString& failure,
                            const std::function<Result<void>(sqlite3*)>& fill) {
    const QString tmp = path + u".tmp"_s;
    if (auto filled = fillFile(tmp, failure, fill); !filled)
        return filled;
    if (auto moved = Database::replaceFile(tmp, path); !moved) {
        QFile::remove(tmp);
        return Error{failure, ErrorCode::Io}.withCause(moved.error().cause);
    }
    return {};
}

Result<void> copyDatabase(sqlite3* from, sqlite3* to, const QString& what) {
    sqlite3_backup* backup = sqlite3_backup_init(to, "main", from, "main");
    if (!backup)
        return failureOf(sqlite3_extended_errcode(to), what, QString::fromUtf8(sqlite3_errmsg(to)));
    const int rc = sqlite3_backup_step(backup, -1);
    sqlite3_backup_finish(backup);
    if (rc != SQLITE_DONE)
        return failureOf(rc, what, QString::fromUtf8(sqlite3_errstr(rc)));
    return {};
}

Result<void> execOn(sqlite3* db, const QString& sql) {
    char* msg = nullptr;
    const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &msg);
    if (rc != SQLITE_OK) {
        const QString text = QString::fromUtf8(msg ? msg : "");
        sqlite3_free(msg);
        return failureOf(sqlite3_extended_errcode(db), u"数据库操作失败"_s, text);
    }
    return {};
}

} // namespace

Database::Database(sqlite3* db, QString path)
    : m_db(db), m_path(std::move(path)), m_owner(QThread::currentThread()) {}

void Database::assertOwner() const {
    if (s_checkOwner && QThread::currentThread() != m_owner)
        qFatal("Database %s used from a thread that does not own its connection", qPrintable(m_path));
}

Database::~Database() {
    sqlite3_close_v2(m_db);
}

int Database::tablesInUse(int formulaCount) {
    return formulaCount <= 0 ? 1 : (formulaCount - 1) / FormulasPerTable + 1;
}

Result<std::unique_ptr<Database>> Database::open(const QString& path, OpenMode mode) {
    const QString shown = QDir::toNativeSeparators(path);
    if (const QString tooLong = Platform::overLong(path); !tooLong.isEmpty())
        return Error{u"无法打开数据库文件 %1"_s.arg(shown), ErrorCode::Io}.withCause(tooLong);
    // Looked at before SQLite opens it: a fifo would keep the program waiting for a writer.
    if (const Platform::FileStatus s = Platform::status(path);
        s.kind != Platform::FileKind::Missing && s.kind != Platform::FileKind::Regular)
        return Error{u"无法打开数据库文件 %1，未作任何修改"_s.arg(shown), ErrorCode::Refused}.withCause(
            Platform::kindWords(s.kind));
    const QFileInfo info(path);
    // A link whose target is gone (an unmounted disk, a moved folder) must not be replaced by an
    // empty database: the user's data is behind it.
    if (info.isSymLink() && !info.exists())
        return Error{u"数据库文件 %1 是指向 %2 的符号链接，但链接目标不存在；未作任何修改"_s.arg(
                         path, info.symLinkTarget()),
                     ErrorCode::NotFound};
    if (!info.exists()) {
        if (mode == OpenMode::ReadExisting)
            return Error{u"没有数据库文件 %1"_s.arg(path), ErrorCode::NotFound};
        if (auto made = writeWholeFile(path, u"无法创建数据库文件 %1"_s.arg(path), createSchema); !made)
            return made.error();
    }
    sqlite3* db = nullptr;
    const int flags =
        (mode == OpenMode::ReadExisting ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX;
    if (const int rc = sqlite3_open_v2(path.toUtf8().constData(), &db, flags, nullptr); rc != SQLITE_OK) {
        Error failed =
            Error{u"无法打开数据库文件 %1"_s.arg(shown), ErrorCode::Io}.withCause(openFailureCause(db, rc));
        sqlite3_close_v2(db);
        return failed;
    }
    sqlite3_busy_timeout(db, s_busyTimeoutMs);
    if (auto schema = checkSchema(db); !schema) {
        sqlite3_close_v2(db);
        // A lock held by another program says nothing about what the file is.
        if (schema.code() == ErrorCode::Busy)
            return Error{u"数据库文件 %1 正被另一个程序使用，请稍后再试"_s.arg(path), ErrorCode::Busy};
        return Error{u"数据库文件 %1 不是本软件的数据库，未作任何修改（%2）"_s.arg(path, schema.message()),
                     ErrorCode::Foreign};
    }
    // A large page cache keeps a whole history rewrite in memory until it is committed.
    (void)execOn(db, u"PRAGMA cache_size=-131072"_s);
    return std::unique_ptr<Database>(new Database(db, path));
}

QString Database::otherProgramMark() {
    for (const char* pragma : {"application_id", "user_version"}) {
        Statement st(m_db, u"PRAGMA %1"_s.arg(QLatin1StringView(pragma)));
        if (st.stepRow() && st.columnInt(0) != 0)
            return u"数据库文件的 %1 是 %2，不是本软件写入的值 0"_s.arg(QLatin1StringView(pragma))
                .arg(st.columnInt(0));
    }
    return {};
}

bool Database::readOnly() const {
    assertOwner();
    return sqlite3_db_readonly(m_db, "main") == 1;
}

Result<void> Database::replaceFile(const QString& from, const QString& to) {
    std::error_code ec;
    std::filesystem::rename(std::filesystem::path(from.toStdU16String()),
                            std::filesystem::path(to.toStdU16String()), ec);
    if (ec)
        return Error{
            u"无法把 %1 改名为 %2"_s.arg(QDir::toNativeSeparators(from), QDir::toNativeSeparators(to)),
            ErrorCode::Io}
            .withCause(QString::fromLocal8Bit(ec.message()));
    return {};
}

Result<void> Database::foldLog(const QString& path) {
    const QString shown = QDir::toNativeSeparators(path);
    const QString wal = path + u"-wal"_s;
    const QString shm = path + u"-shm"_s;
    auto present = [](const QString& file) {
        return Platform::status(file, false).kind != Platform::FileKind::Missing;
    };
    // Bytes 18 and 19 of the header are 2 in WAL mode: opening such a file makes a -wal and -shm.
    bool walMode = false;
    if (QFile file(path);
        Platform::status(path).kind == Platform::FileKind::Regular && file.open(QIODevice::ReadOnly)) {
        const QByteArray header = file.read(20);
        walMode = header.size() == 20 && (header[18] == 2 || header[19] == 2);
    }
    if (!present(wal) && !walMode) {
        // Shared memory without a log holds nothing of the file's.
        if (present(shm))
            QFile::remove(shm);
        return {};
    }
    const Error cannot{
        u"数据库文件 %1 带有 SQLite 的预写日志（-wal），无法把它并入文件本身，未作任何修改"_s.arg(shown),
        ErrorCode::Io};
    if (!QFileInfo(path).isWritable())
        return Error(cannot).withCause(u"文件只读"_s);
    sqlite3* db = nullptr;
    if (const int rc = sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
        rc != SQLITE_OK) {
        Error failed = Error(cannot).withCause(openFailureCause(db, rc));
        sqlite3_close_v2(db);
        return failed;
    }
    sqlite3_busy_timeout(db, s_busyTimeoutMs);
    QString mode;
    {
        Statement st(db, u"PRAGMA journal_mode=DELETE"_s);
        if (st.stepRow())
            mode = st.columnText(0);
    }
    const QString cause = QString::fromUtf8(sqlite3_errmsg(db));
    sqlite3_close_v2(db);
    if (mode.compare(u"delete"_s, Qt::CaseInsensitive) != 0 || present(wal))
        return Error(cannot).withCause(cause);
    if (present(shm))
        QFile::remove(shm);
    return {};
}

Result<void> Database::copyTo(const QString& path) {
    assertOwner();
    return fillFile(path, u"无法写入备份文件 %1"_s.arg(path), [this, &path](sqlite3* dest) {
        return copyDatabase(m_db, dest, u"无法写入备份文件 %1"_s.arg(path));
    });
}

Result<void> Database::restoreFrom(Database& source) {
    assertOwner();
    return copyDatabase(source.m_db, m_db, u"无法恢复数据库"_s);
}

Result<void> Database::createSchema(sqlite3* db) {
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
    if (auto made = execOn(db, sql); !made) {
        (void)execOn(db, u"ROLLBACK"_s);
        return made;
    }
    return {};
}

Result<void> Database::checkSchema(sqlite3* db) {
    // Reading the schema is the first access: a file that is not SQLite fails here.
    if (auto read = execOn(db, u"SELECT count(*) FROM sqlite_master"_s); !read)
        return read;
    auto gongshi = tableColumns(db, u"Gongshi"_s);
    if (!gongshi)
        return gongshi.error();
    for (const QString& col : {u"Idx"_s, u"gongshi"_s, u"maType"_s, u"bolKill"_s})
        if (!gongshi->contains(col, Qt::CaseInsensitive))
            return Error{u"缺少表 Gongshi 的列 %1"_s.arg(col)};
    QStringList expected;
    for (const auto& col : historyColumns())
        expected.append(col.first.toUpper());
    for (int t = 0; t < HistoryTableCount; ++t) {
        auto cols = tableColumns(db, historyTable(t));
        if (!cols)
            return cols.error();
        for (QString& c : cols.value())
            c = c.toUpper();
        if (cols.value() != expected)
            return Error{u"表 %1 的列与本软件不符"_s.arg(historyTable(t))};
    }
    auto err = tableColumns(db, u"Errarr"_s);
    if (!err)
        return err.error();
    for (const QString& col : errarrColumns)
        if (!err->contains(col, Qt::CaseInsensitive))
            return Error{u"缺少表 Errarr 的列 %1"_s.arg(col)};
    return {};
}

Result<void> Database::exec(const QString& sql) {
    assertOwner();
    return execOn(m_db, sql);
}

Result<void> Database::beginWrite() {
    assertOwner();
    return execOn(m_db, u"BEGIN IMMEDIATE"_s);
}

Result<void> Database::beginRead() {
    assertOwner();
    return execOn(m_db, u"BEGIN DEFERRED"_s);
}

Result<void> Database::commit() {
    assertOwner();
    if (sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
        return failure(u"无法保存修改"_s);
    return {};
}

void Database::rollback() {
    assertOwner();
    if (!sqlite3_get_autocommit(m_db))
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
}

Result<int> Database::dataVersion() {
    assertOwner();
    Statement st(m_db, u"PRAGMA data_version"_s);
    if (!st.stepRow())
        return failure(u"无法读取数据库"_s);
    return st.columnInt(0);
}

QString Database::lastError() const {
    return QString::fromUtf8(sqlite3_errmsg(m_db));
}

Error Database::failure(const QString& what) const {
    return failureOf(sqlite3_extended_errcode(m_db), what, lastError());
}

Transaction::~Transaction() {
    rollback();
}

Result<void> Transaction::beginWrite() {
    auto begun = m_db.beginWrite();
    m_active = begun.ok();
    return begun;
}

Result<void> Transaction::commit() {
    if (!m_active)
        return {};
    auto done = m_db.commit();
    if (done)
        m_active = false;
    return done;
}

void Transaction::rollback() {
    if (m_active)
        m_db.rollback();
    m_active = false;
}

} // namespace talven
