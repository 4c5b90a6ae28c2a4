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

#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace talven::Backups {

namespace {

QMutex hookLock;
StepHook stepHook;

bool stepAllowed(const QString& step) {
    const QMutexLocker locked(&hookLock);
    return !stepHook || stepHook(step, false);
}

void stepDone(const QString& step) {
    StepHook hook;
    {
        const QMutexLocker locked(&hookLock);
        hook = stepHook;
    }
    if (hook)
        hook(step, true);
}

QString shownPath(const QString& file) {
    return QDir::toNativeSeparators(file);
}

int slotCount(Kind kind) {
    return kind == Kind::Repair ? RepairCopies : Generations;
}

QString slotPath(const QString& databasePath, Kind kind, int slot) {
    return kind == Kind::Repair ? repairPath(databasePath, slot) : path(databasePath, slot);
}

// What the names of a series' files in progress begin with: orvane.mdb.bak. or orvane.mdb.repair.
QString tempPrefix(const QString& databasePath, Kind kind) {
    return kind == Kind::Repair ? databasePath + u".repair."_s : path(databasePath, 0) + u"."_s;
}

// A copy in progress is named after its process, so that another program starting meanwhile can
// tell it from one a killed program left behind: orvane.mdb.bak.PID-N.tmp.
QString copyTemp(const QString& databasePath, Kind kind) {
    static std::atomic<int> counter = 0;
    return tempPrefix(databasePath, kind) +
           u"%1-%2.tmp"_s.arg(QCoreApplication::applicationPid()).arg(counter.fetch_add(1) + 1);
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
    Result<void> move(const QString& from, const QString& to, const QString& step) {
        if (!stepAllowed(step))
            return Error{u"无法把 %1 改名为 %2"_s.arg(shownPath(from), shownPath(to)), ErrorCode::Io}
                .withCause(u"测试设定的故障"_s);
        if (auto moved = Database::replaceFile(from, to); !moved)
            return moved;
        m_done.emplace_back(from, to);
        stepDone(step);
        return {};
    }
    // Puts the moved files back; what could not be put back, with the system's words, so that the
    // user can move it by hand (empty when every file is back).
    QString takeBack() {
        QStringList stuck;
        for (auto it = m_done.rbegin(); it != m_done.rend(); ++it)
            if (auto back = Database::replaceFile(it->second, it->first); !back)
                stuck.append(u"%1 仍名为 %2（%3）"_s.arg(shownPath(it->first), shownPath(it->second),
                                                         back.error().cause));
        m_done.clear();
        return stuck.join(u"；"_s);
    }

private:
    std::vector<std::pair<QString, QString>> m_done;
};

Error cannotSave(const QString& file, const Error& why) {
    return Error{u"无法保存备份文件 %1"_s.arg(shownPath(file)), ErrorCode::Io}.withCause(
        why.cause.isEmpty() ? why.message : why.cause);
}

// A failed rotation after its moves were taken back: says which files, if any, did not go back.
Error afterTakeBack(Error failure, const QString& stuck) {
    if (!stuck.isEmpty())
        failure.message += u"；以下文件未能改回原名，请手动改回：%1"_s.arg(stuck);
    return failure;
}

bool present(const QString& file) {
    return Platform::status(file, false).kind != Platform::FileKind::Missing;
}

// Moves the copies newer than the free slot down by one and `temp` in as the newest. Every move
// only fills a free name, so a rotation killed half-way is completed by running it again.
Result<void> settle(const QString& databasePath, Kind kind, int freeSlot, const QString& temp, Moves& moves) {
    for (int g = freeSlot; g > 0; --g) {
        const QString newer = slotPath(databasePath, kind, g - 1);
        if (present(slotPath(databasePath, kind, g)) || !present(newer))
            continue;
        if (auto moved = moves.move(newer, slotPath(databasePath, kind, g), u"shift"_s); !moved)
            return cannotSave(newer, moved.error());
    }
    const QString newest = slotPath(databasePath, kind, 0);
    if (!present(temp))
        return {};
    if (present(newest))
        return cannotSave(newest, Error{u"文件已存在"_s});
    if (auto moved = moves.move(temp, newest, u"newest"_s); !moved)
        return cannotSave(newest, moved.error());
    return {};
}

// Takes the copy in `freeSlot` out to `aside` and settles the rest; a failure moves every file
// back. The copies that move have their write-ahead logs folded in first: a -wal left under a name
// would be read as part of the next file to take that name.
Result<void> rotate(const QString& databasePath, Kind kind, int freeSlot, const QString& temp,
                    const QString& aside, Moves& moves) {
    for (int g = 0; g <= freeSlot; ++g)
        if (const QString slot = slotPath(databasePath, kind, g);
            Platform::status(slot).kind == Platform::FileKind::Regular)
            if (auto folded = Database::foldLog(slot); !folded)
                return folded;
    Result<void> rotated;
    if (const QString slot = slotPath(databasePath, kind, freeSlot); present(slot)) {
        if (auto moved = moves.move(slot, aside, u"aside"_s); !moved)
            rotated = cannotSave(slot, moved.error());
    }
    if (rotated)
        rotated = settle(databasePath, kind, freeSlot, temp, moves);
    if (!rotated)
        return afterTakeBack(rotated.error(), moves.takeBack());
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

QString repairPath(const QString& databasePath, int copy) {
    return databasePath + u".repair"_s + QString::number(copy + 1);
}

QString PendingCopy::destination() const {
    return slotPath(m_databasePath, m_kind, 0);
}

Result<void> PendingCopy::keep(int freeSlot) {
    if (m_temp.isEmpty())
        return {};
    if (freeSlot < 0)
        freeSlot = slotCount(m_kind) - 1;
    stepDone(u"committed"_s);
    const QString aside = asideOf(m_temp, u"drop"_s, freeSlot);
    Moves moves;
    auto kept = rotate(m_databasePath, m_kind, freeSlot, m_temp, aside, moves);
    if (kept) {
        QFile::remove(aside);
        m_temp.clear();
        return {};
    }
    // The copies are as they were; this one is the only one of the state it holds, so it stays,
    // under a name that no start-up removes.
    const QString beside =
        destination() + u"."_s + QDateTime::currentDateTime().toString(u"yyyyMMdd-HHmmss"_s);
    Error failed = kept.error();
    if (!failed.message.contains(u"未能改回原名"_s))
        failed.message += u"；原有的备份未改动"_s;
    if (!present(beside) && Database::replaceFile(m_temp, beside))
        failed.message += u"，这份副本另存为 %1"_s.arg(shownPath(beside));
    else
        QFile::remove(m_temp);
    m_temp.clear();
    return failed;
}

void PendingCopy::discard() {
    if (!m_temp.isEmpty())
        QFile::remove(m_temp);
    m_temp.clear();
}

Result<PendingCopy> take(Database& db, Kind kind) {
    const QString temp = copyTemp(db.path(), kind);
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
    if (auto moved = Database::replaceFile(part, temp); !moved) {
        QFile::remove(part);
        return cannotSave(temp, moved.error());
    }
    return PendingCopy(db.path(), temp, kind);
}

Result<void> check(const QString& backupPath) {
    const QString shown = shownPath(backupPath);
    if (const Platform::FileStatus s = Platform::status(backupPath); s.kind != Platform::FileKind::Regular)
        return s.kind == Platform::FileKind::Missing
                   ? Error{u"没有备份文件 %1"_s.arg(shown), ErrorCode::NotFound}
                   : Error{u"备份文件 %1 无法用于恢复，未作任何修改"_s.arg(shown), ErrorCode::Refused}
                         .withCause(Platform::kindWords(s.kind));
    // What another SQLite tool committed in WAL mode is part of the backup.
    if (auto folded = Database::foldLog(backupPath); !folded)
        return folded;
    auto opened = Database::open(backupPath, Database::OpenMode::ReadExisting);
    if (!opened)
        return opened.error();
    Database& db = *opened.value();
    auto damaged = [&shown](const QString& why) {
        return Error{u"备份文件 %1 已损坏，无法用它恢复，未作任何修改"_s.arg(shown), ErrorCode::Foreign}
            .withCause(why);
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
    // A link to the database (or a second name of it) holds no other state: restoring it would only
    // copy the database onto itself.
    if (Platform::sameFile(chosen, db.path()))
        return Error{
            u"备份文件 %1 就是正在使用的数据库文件（指向它的链接），不是另一份副本，无法用它恢复，未作任何修改"_s
                .arg(shownPath(chosen)),
            ErrorCode::Refused};
    if (auto checked = check(chosen); !checked)
        return checked;
    auto current = take(db);
    if (!current)
        return current.error();
    stepDone(u"copied"_s);
    // The generations take their new places first, the chosen copy set aside as the source: the
    // database is replaced only once the state it holds is a generation, so no kill loses it.
    const QString source = asideOf(current->file(), u"restore"_s, generation);
    Moves moves;
    if (auto rotated = rotate(db.path(), Kind::Generation, generation, current->file(), source, moves);
        !rotated) {
        current->discard();
        return rotated;
    }
    if (auto restored = restoreFile(db, source); !restored) {
        const QString stuck = moves.takeBack();
        current->discard();
        return afterTakeBack(restored.error(), stuck);
    }
    stepDone(u"restored"_s);
    QFile::remove(source);
    return {};
}

namespace {

// Completes what killed programs left of one series; the notices for the user.
Result<QStringList> finishSeries(Database& db, Kind kind) {
    const QFileInfo info(db.path());
    const QString prefix = QFileInfo(tempPrefix(db.path(), kind)).fileName();
    const QDir dir = info.dir();
    QStringList notices;
    for (const QString& name : dir.entryList({prefix + u"*.drop-*"_s, prefix + u"*.restore-*"_s},
                                             QDir::Files | QDir::Hidden, QDir::Name)) {
        // PID-N.KIND-G after the prefix.
        const QString copy = name.mid(prefix.size()).section(u'.', 0, 0);
        const QString step = name.mid(prefix.size()).section(u'.', 1).section(u'-', 0, 0);
        bool slotOk = false;
        const int slot = name.section(u'-', -1).toInt(&slotOk);
        if (!slotOk || slot < 0 || slot >= slotCount(kind) || !ownerEnded(copy) ||
            (step == u"restore"_s && kind != Kind::Generation))
            continue;
        const QString aside = dir.filePath(name);
        Moves moves;
        if (auto settled =
                settle(db.path(), kind, slot, tempPrefix(db.path(), kind) + copy + u".tmp"_s, moves);
            !settled)
            return settled.error();
        if (step == u"restore"_s) {
            // Whether or not the killed restore got to replace the database, it does now.
            if (auto restored = restoreFile(db, aside); !restored)
                return restored.error();
            notices.append(u"上次被中断的恢复备份已完成，恢复前的数据库已备份为 %1"_s.arg(
                shownPath(path(db.path(), 0))));
        }
        QFile::remove(aside);
    }
    // A whole copy left by a killed change that no rotation took: when the database no longer
    // holds its state, the change was committed and the copy joins its series now.
    for (const QString& name :
         dir.entryList({prefix + u"*-*.tmp"_s}, QDir::Files | QDir::Hidden, QDir::Name)) {
        if (name.endsWith(u".part.tmp"_s) || !ownerEnded(name.mid(prefix.size())))
            continue;
        const QString copy = dir.filePath(name);
        const bool whole = bool(check(copy));
        const std::optional<bool> same = whole ? sameData(db, copy) : std::optional<bool>(true);
        if (!same)
            continue; // decided at a later start
        if (*same) {
            QFile::remove(copy);
            continue;
        }
        // The database itself is whole either way: a copy that cannot join is named, not fatal.
        PendingCopy pending(db.path(), copy, kind);
        const auto kept = pending.keep();
        const QString what = kind == Kind::Repair ? u"修复"_s : u"操作"_s;
        notices.append(
            kept ? u"上次被中断的%1前的数据库已补存为备份 %2"_s.arg(what, shownPath(pending.destination()))
                 : u"上次被中断的%1前的数据库未能补存为备份：%2"_s.arg(what, kept.error().shown()));
    }
    return notices;
}

} // namespace

Result<QString> finishInterrupted(Database& db) {
    QStringList notices;
    for (const Kind kind : {Kind::Generation, Kind::Repair}) {
        auto finished = finishSeries(db, kind);
        if (!finished)
            return finished.error();
        notices += finished.value();
    }
    return notices.join(u'\n');
}

void removeLeftovers(const QString& databasePath) {
    for (const QString& name : QStringList{path(databasePath, 0) + u".tmp"_s, databasePath + u".tmp"_s,
                                           databasePath + u".tmp-journal"_s, databasePath + u".restore.tmp"_s,
                                           path(databasePath, Generations - 1) + u".dropped"_s})
        QFile::remove(name);
    const QDir dir = QFileInfo(databasePath).dir();
    // Whole copies are finishInterrupted's: only a database that can be written may decide on them.
    for (const Kind kind : {Kind::Generation, Kind::Repair}) {
        const QString prefix = QFileInfo(tempPrefix(databasePath, kind)).fileName();
        for (const QString& name : dir.entryList({prefix + u"*.part.tmp"_s, prefix + u"*.part.tmp-journal"_s,
                                                  prefix + u"*.part.tmp-wal"_s, prefix + u"*.part.tmp-shm"_s},
                                                 QDir::Files | QDir::Hidden | QDir::System))
            if (ownerEnded(name.mid(prefix.size())))
                QFile::remove(dir.filePath(name));
    }
}

void setStepHook(StepHook hook) {
    const QMutexLocker locked(&hookLock);
    stepHook = std::move(hook);
}

} // namespace talven::Backups
