#include "Backups.h"

#include "store/Database.h"
#include "store/Statement.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <atomic>
#include <cerrno>

#include <signal.h>

using namespace Qt::StringLiterals;

namespace talven::Backups {

namespace {

// A copy in progress is named after its process, so that another program starting meanwhile can
// tell it from one a killed program left behind.
QString copyTemp(const QString& databasePath) {
    static std::atomic<int> counter = 0;
    return path(databasePath, 0) +
           u".%1-%2.tmp"_s.arg(QCoreApplication::applicationPid()).arg(counter.fetch_add(1) + 1);
}

// Drops the generation in `freeSlot` and moves the newer ones down to make room for `temp` as the
// newest.
Result<void> shiftInto(const QString& databasePath, int freeSlot, const QString& temp) {
    auto failed = [](const QString& file) {
        return Error{u"无法保存备份文件 %1"_s.arg(QDir::toNativeSeparators(file)), ErrorCode::Io};
    };
    const QString slot = path(databasePath, freeSlot);
    if (QFile::exists(slot) && !QFile::remove(slot))
        return failed(slot);
    for (int g = freeSlot; g > 0; --g)
        if (const QString newer = path(databasePath, g - 1);
            QFile::exists(newer) && !Database::replaceFile(newer, path(databasePath, g)))
            return failed(newer);
    if (!Database::replaceFile(temp, path(databasePath, 0)))
        return failed(path(databasePath, 0));
    return {};
}

bool processRunning(qint64 pid) {
    return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH);
}

} // namespace

QString path(const QString& databasePath, int generation) {
    return databasePath + u".bak"_s + (generation > 0 ? u"."_s + QString::number(generation) : QString());
}

Result<void> PendingCopy::keep(int freeSlot) {
    if (m_temp.isEmpty())
        return {};
    auto kept = shiftInto(m_databasePath, freeSlot, m_temp);
    if (!kept)
        QFile::remove(m_temp);
    m_temp.clear();
    return kept;
}

void PendingCopy::discard() {
    if (!m_temp.isEmpty())
        QFile::remove(m_temp);
    m_temp.clear();
}

Result<PendingCopy> take(Database& db) {
    const QString temp = copyTemp(db.path());
    // A connection of its own reads the committed state: SQLite copies nothing from a connection
    // inside a write transaction, and the change's write lock keeps every other writer out.
    auto reader = Database::open(db.path(), Database::OpenMode::ReadExisting);
    if (!reader)
        return reader.error();
    if (auto copied = reader.value()->copyTo(temp); !copied) {
        QFile::remove(temp);
        // The copy only reads the database: a lock is the other program's, not the backup's.
        if (copied.code() == ErrorCode::Busy)
            return Error{u"数据库正被另一个程序使用，请稍后再试"_s, ErrorCode::Busy};
        return copied.error();
    }
    return PendingCopy(db.path(), temp);
}

Result<void> check(const QString& backupPath) {
    const QString shown = QDir::toNativeSeparators(backupPath);
    auto opened = Database::open(backupPath, Database::OpenMode::ReadExisting);
    if (!opened)
        return opened.error();
    Database& db = *opened.value();
    auto damaged = [&shown](const QString& why) {
        return Error{u"备份文件 %1 已损坏，无法用它恢复，未作任何修改（%2）"_s.arg(shown, why),
                     ErrorCode::Foreign};
    };
    {
        Statement st(db.handle(), u"PRAGMA integrity_check"_s);
        if (!st.stepRow())
            return damaged(db.lastError());
        if (const QString result = st.columnText(0); result != u"ok"_s)
            return damaged(result);
    }
    if (const QString mark = db.otherProgramMark(); !mark.isEmpty())
        return Error{u"备份文件 %1 不是本软件的数据库，未作任何修改（%2）"_s.arg(shown, mark),
                     ErrorCode::Foreign};
    QStringList tables{u"Gongshi"_s, u"Errarr"_s};
    for (int t = 0; t < Database::HistoryTableCount; ++t)
        tables.append(Database::historyTable(t));
    for (const QString& table : tables)
        if (!db.exec(u"SELECT * FROM %1"_s.arg(table)))
            return damaged(db.lastError());
    return {};
}

Result<void> restore(Database& db, int generation) {
    if (generation < 0 || generation >= Generations)
        return Error{u"备份编号必须是 0 到 %1"_s.arg(Generations - 1)};
    const QString chosen = path(db.path(), generation);
    if (!QFile::exists(chosen))
        return Error{u"没有备份文件 %1"_s.arg(QDir::toNativeSeparators(chosen)), ErrorCode::NotFound};
    if (auto checked = check(chosen); !checked)
        return checked;
    auto current = take(db);
    if (!current)
        return current.error();
    Result<void> restored;
    {
        auto source = Database::open(chosen, Database::OpenMode::ReadExisting);
        restored = source ? db.restoreFrom(*source.value()) : Result<void>(source.error());
    }
    if (!restored) {
        current->discard();
        return restored;
    }
    // The restored copy is the database now: its place goes to the newer generations, and the
    // database it replaced becomes the newest.
    return current->keep(generation);
}

void removeLeftovers(const QString& databasePath) {
    for (const QString& name :
         QStringList{path(databasePath, 0) + u".tmp"_s, databasePath + u".tmp"_s,
                     databasePath + u".restore.tmp"_s, path(databasePath, Generations - 1) + u".dropped"_s})
        QFile::remove(name);
    const QFileInfo info(databasePath);
    const QString prefix = info.fileName() + u".bak."_s;
    const QDir dir = info.dir();
    for (const QString& name : dir.entryList({prefix + u"*.tmp"_s}, QDir::Files | QDir::Hidden)) {
        const QString middle = name.mid(prefix.size(), name.size() - prefix.size() - 4);
        bool ok = false;
        const qint64 pid = middle.section(u'-', 0, 0).toLongLong(&ok);
        if (ok && !processRunning(pid))
            QFile::remove(dir.filePath(name));
    }
}

} // namespace talven::Backups
