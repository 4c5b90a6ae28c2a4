#include "Backups.h"

#include "common/Platform.h"
#include "store/Database.h"
#include "store/Statement.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>

#include <atomic>
#include <optional>
#include <utility>
#include <vector>

#include <signal.h>
#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace talven::Backups {

namespace {

QMutex faultLock;
QString injectedFault;

bool faultAt(const QString& fault, const QString& step) {
    const QMutexLocker locked(&faultLock);
    return !injectedFault.isEmpty() && injectedFault == fault + u'@' + step;
}

void killPoint(const QString& step) {
    if (faultAt(u"kill"_s, step))
        ::raise(SIGKILL);
}

// A copy in progress is named after its process, so that another program starting meanwhile can
// tell it from one a killed program left behind: orvane.mdb.bak.PID-N.tmp.
QString copyTemp(const QString& databasePath) {
    static std::atomic<int> counter = 0;
    return path(databasePath, 0) +
           u".%1-%2.tmp"_s.arg(QCoreApplication::applicationPid()).arg(counter.fetch_add(1) + 1);
}

// Where a rotation puts the generation that leaves it while it runs: orvane.mdb.bak.PID-N.drop-G
// (dropped once the rotation is done) or .restore-G (the copy a restore reads). Its presence tells
// the next start that the rotation had begun and is to be completed.
QString asideOf(const QString& temp, const QString& kind, int generation) {
    return temp.chopped(4) + u".%1-%2"_s.arg(kind).arg(generation);
}

// The file moves of one rotation, taken back newest first when a later one fails.
class Moves {
public:
    bool move(const QString& from, const QString& to, const QString& step) {
        if (faultAt(u"fail"_s, step) || !Database::replaceFile(from, to))
            return false;
        m_done.emplace_back(from, to);
        killPoint(step);
        return true;
    }
    void takeBack() {
        for (auto it = m_done.rbegin(); it != m_done.rend(); ++it)
            Database::replaceFile(it->second, it->first);
        m_done.clear();
    }

private:
    std::vector<std::pair<QString, QString>> m_done;
};

Error cannotSave(const QString& file) {
    return Error{u"无法保存备份文件 %1"_s.arg(QDir::toNativeSeparators(file)), ErrorCode::Io};
}

// Moves the generations newer than the free slot down by one and `temp` in as the newest. Every
// move only fills a free name, so a rotation killed half-way is completed by running it again.
Result<void> settle(const QString& databasePath, int freeSlot, const QString& temp, Moves& moves) {
    for (int g = freeSlot; g > 0; --g)
        if (const QString newer = path(databasePath, g - 1);
            !QFile::exists(path(databasePath, g)) && QFile::exists(newer) &&
            !moves.move(newer, path(databasePath, g), u"shift"_s))
            return cannotSave(newer);
    if (QFile::exists(temp) &&
        (QFile::exists(path(databasePath, 0)) || !moves.move(temp, path(databasePath, 0), u"newest"_s)))
        return cannotSave(path(databasePath, 0));
    return {};
}

// Takes the generation in `freeSlot` out to `aside` and settles the rest; a failure moves every
// file back.
Result<void> rotate(const QString& databasePath, int freeSlot, const QString& temp, const QString& aside,
                    Moves& moves) {
    Result<void> rotated;
    if (const QString slot = path(databasePath, freeSlot);
        QFile::exists(slot) && !moves.move(slot, aside, u"aside"_s))
        rotated = cannotSave(slot);
    else
        rotated = settle(databasePath, freeSlot, temp, moves);
    if (!rotated)
        moves.takeBack();
    return rotated;
}

Result<void> restoreFile(Database& db, const QString& source) {
    auto opened = Database::open(source, Database::OpenMode::ReadExisting);
    if (!opened)
        return opened.error();
    return db.restoreFrom(*opened.value());
}

// Whether the file holds the formulas and draws of the database, row for row; nothing when the
// database cannot be read now (another program is writing it).
std::optional<bool> sameData(Database& db, const QString& file) {
    auto other = Database::open(file, Database::OpenMode::ReadExisting);
    if (!other)
        return false;
    for (const QString& table : {u"Gongshi"_s, Database::historyTable(0)}) {
        const QString sql = u"SELECT * FROM %1 ORDER BY rowid"_s.arg(table);
        Statement a(db.handle(), sql);
        Statement b(other.value()->handle(), sql);
        for (;;) {
            const bool rowA = a.stepRow();
            const bool rowB = b.stepRow();
            if (a.failed())
                return std::nullopt;
            if (rowA != rowB || b.failed())
                return false;
            if (!rowA)
                break;
            const int columns = sqlite3_column_count(a.get());
            if (columns != sqlite3_column_count(b.get()))
                return false;
            for (int c = 0; c < columns; ++c)
                if (a.columnIsNull(c) != b.columnIsNull(c) || a.columnText(c) != b.columnText(c))
                    return false;
        }
    }
    return true;
}

// Whether the program that named a file "PID-N…" has ended, so that no one writes it any more.
bool ownerEnded(const QString& name) {
    bool ok = false;
    const qint64 pid = name.section(u'-', 0, 0).toLongLong(&ok);
    return ok && !Platform::processRunning(pid);
}

} // namespace

QString path(const QString& databasePath, int generation) {
    return databasePath + u".bak"_s + (generation > 0 ? u"."_s + QString::number(generation) : QString());
}

Result<void> PendingCopy::keep(int freeSlot) {
    if (m_temp.isEmpty())
        return {};
    killPoint(u"committed"_s);
    const QString aside = asideOf(m_temp, u"drop"_s, freeSlot);
    Moves moves;
    auto kept = rotate(m_databasePath, freeSlot, m_temp, aside, moves);
    if (kept) {
        QFile::remove(aside);
        m_temp.clear();
        return {};
    }
    // The generations are as they were; the copy is the only one of the state it holds, so it
    // stays, under a name that no start-up removes.
    const QString beside =
        path(m_databasePath, 0) + u"."_s + QDateTime::currentDateTime().toString(u"yyyyMMdd-HHmmss"_s);
    QString message = kept.message() + u"；原有的备份未改动"_s;
    if (!QFile::exists(beside) && Database::replaceFile(m_temp, beside))
        message += u"，这份副本另存为 %1"_s.arg(QDir::toNativeSeparators(beside));
    else
        QFile::remove(m_temp);
    m_temp.clear();
    return Error{message, ErrorCode::Io};
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
    // Written under a name of its own first: a file under the copy's name is always whole.
    const QString part = temp.chopped(4) + u".part.tmp"_s;
    if (auto copied = reader.value()->copyTo(part); !copied) {
        QFile::remove(part);
        // The copy only reads the database: a lock is the other program's, not the backup's.
        if (copied.code() == ErrorCode::Busy)
            return Error{u"数据库正被另一个程序使用，请稍后再试"_s, ErrorCode::Busy};
        return copied.error();
    }
    if (!Database::replaceFile(part, temp)) {
        QFile::remove(part);
        return cannotSave(temp);
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
    killPoint(u"copied"_s);
    // The generations take their new places first, the chosen copy set aside as the source: the
    // database is replaced only once the state it holds is a generation, so no kill loses it.
    const QString source = asideOf(current->file(), u"restore"_s, generation);
    Moves moves;
    if (auto rotated = rotate(db.path(), generation, current->file(), source, moves); !rotated) {
        current->discard();
        return rotated;
    }
    if (auto restored = restoreFile(db, source); !restored) {
        moves.takeBack();
        current->discard();
        return restored;
    }
    killPoint(u"restored"_s);
    QFile::remove(source);
    return {};
}

Result<QString> finishInterrupted(Database& db) {
    const QFileInfo info(db.path());
    const QString prefix = info.fileName() + u".bak."_s;
    const QDir dir = info.dir();
    QStringList notices;
    for (const QString& name : dir.entryList({prefix + u"*.drop-*"_s, prefix + u"*.restore-*"_s},
                                             QDir::Files | QDir::Hidden, QDir::Name)) {
        // PID-N.KIND-G after the prefix.
        const QString copy = name.mid(prefix.size()).section(u'.', 0, 0);
        const QString kind = name.mid(prefix.size()).section(u'.', 1).section(u'-', 0, 0);
        bool generationOk = false;
        const int generation = name.section(u'-', -1).toInt(&generationOk);
        if (!generationOk || generation < 0 || generation >= Generations || !ownerEnded(copy))
            continue;
        const QString aside = dir.filePath(name);
        Moves moves;
        if (auto settled =
                settle(db.path(), generation, path(db.path(), 0) + u"."_s + copy + u".tmp"_s, moves);
            !settled)
            return settled.error();
        if (kind == u"restore"_s) {
            // Whether or not the killed restore got to replace the database, it does now.
            if (auto restored = restoreFile(db, aside); !restored)
                return restored.error();
            notices.append(u"上次被中断的恢复备份已完成，恢复前的数据库已备份为 %1"_s.arg(
                QDir::toNativeSeparators(path(db.path(), 0))));
        }
        QFile::remove(aside);
    }
    // A whole copy left by a killed change that no rotation took: when the database no longer
    // holds its state, the change was committed and the copy joins the generations now.
    for (const QString& name :
         dir.entryList({prefix + u"*-*.tmp"_s}, QDir::Files | QDir::Hidden, QDir::Name)) {
        if (name.endsWith(u".part.tmp"_s) || !ownerEnded(name.mid(prefix.size())))
            continue;
        const QString copy = dir.filePath(name);
        const bool whole = bool(check(copy));
        const std::optional<bool> same = whole ? sameData(db, copy) : std::optional<bool>(true);
        if (!same)
            continue; // decided at a later start
        if (!*same) {
            // The database itself is whole either way: a copy that cannot join is named, not fatal.
            PendingCopy pending(db.path(), copy);
            const auto kept = pending.keep();
            notices.append(kept ? u"上次被中断的操作前的数据库已补存为备份 %1"_s.arg(
                                      QDir::toNativeSeparators(path(db.path(), 0)))
                                : u"上次被中断的操作前的数据库未能补存为备份：%1"_s.arg(kept.message()));
        } else {
            QFile::remove(copy);
        }
    }
    return notices.join(u'\n');
}

void removeLeftovers(const QString& databasePath) {
    for (const QString& name :
         QStringList{path(databasePath, 0) + u".tmp"_s, databasePath + u".tmp"_s,
                     databasePath + u".restore.tmp"_s, path(databasePath, Generations - 1) + u".dropped"_s})
        QFile::remove(name);
    const QFileInfo info(databasePath);
    const QString prefix = info.fileName() + u".bak."_s;
    const QDir dir = info.dir();
    // Whole copies are finishInterrupted's: only a database that can be written may decide on them.
    for (const QString& name : dir.entryList({prefix + u"*.part.tmp"_s}, QDir::Files | QDir::Hidden))
        if (ownerEnded(name.mid(prefix.size())))
            QFile::remove(dir.filePath(name));
}

void injectFault(const QString& fault) {
    const QMutexLocker locked(&faultLock);
    injectedFault = fault;
}

} // namespace talven::Backups
