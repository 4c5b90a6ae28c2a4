#include "Backups.h"

#include "store/Database.h"

#include <QDir>
#include <QFile>

using namespace Qt::StringLiterals;

namespace talven::Backups {

namespace {

QString restoreTemp(const QString& databasePath) {
    return databasePath + u".restore.tmp"_s;
}

QString droppedPath(const QString& databasePath) {
    return path(databasePath, Generations - 1) + u".dropped"_s;
}

} // namespace

QString path(const QString& databasePath, int generation) {
    return databasePath + u".bak"_s + (generation > 0 ? u"."_s + QString::number(generation) : QString());
}

void Rotation::undo() {
    if (!m_newest.isEmpty())
        QFile::remove(m_newest);
    for (auto it = m_moves.rbegin(); it != m_moves.rend(); ++it)
        (void)Database::replaceFile(it->second, it->first);
    *this = Rotation();
}

void Rotation::keep() {
    if (!m_dropped.isEmpty())
        QFile::remove(m_dropped);
    *this = Rotation();
}

Result<Rotation> save(Database& db) {
    const QString newest = path(db.path(), 0);
    const QString temp = newest + u".tmp"_s;
    if (auto copied = db.copyTo(temp); !copied)
        return copied.error();
    Rotation rotation;
    auto fail = [&rotation, &temp](const QString& file) {
        QFile::remove(temp);
        rotation.undo();
        return Error{u"无法保存备份文件 %1"_s.arg(QDir::toNativeSeparators(file)), ErrorCode::Io};
    };
    auto move = [&rotation](const QString& from, const QString& to) {
        if (!QFile::exists(from))
            return true;
        if (!Database::replaceFile(from, to))
            return false;
        rotation.m_moves.emplace_back(from, to);
        return true;
    };
    const QString oldest = path(db.path(), Generations - 1);
    if (!move(oldest, droppedPath(db.path())))
        return fail(oldest);
    if (QFile::exists(droppedPath(db.path())))
        rotation.m_dropped = droppedPath(db.path());
    for (int g = Generations - 1; g > 0; --g)
        if (const QString older = path(db.path(), g - 1); !move(older, path(db.path(), g)))
            return fail(older);
    if (!Database::replaceFile(temp, newest))
        return fail(newest);
    rotation.m_newest = newest;
    return rotation;
}

Result<void> restore(Database& db, int generation) {
    if (generation < 0 || generation >= Generations)
        return Error{u"备份编号必须是 0 到 %1"_s.arg(Generations - 1)};
    const QString chosen = path(db.path(), generation);
    if (!QFile::exists(chosen))
        return Error{u"没有备份文件 %1"_s.arg(QDir::toNativeSeparators(chosen)), ErrorCode::NotFound};
    auto source = Database::open(chosen, Database::OpenMode::ReadExisting);
    if (!source)
        return source.error();
    // The chosen copy is set aside first: saving the current database moves the generations.
    const QString temp = restoreTemp(db.path());
    auto copied = source.value()->copyTo(temp);
    source.value().reset();
    if (!copied)
        return copied;
    auto rotation = save(db);
    Result<void> restored = rotation ? Result<void>() : Result<void>(rotation.error());
    if (rotation) {
        auto held = Database::open(temp, Database::OpenMode::ReadExisting);
        restored = held ? db.restoreFrom(*held.value()) : Result<void>(held.error());
        // The database keeps its content when the copy fails, so the generations go back too.
        if (restored)
            rotation->keep();
        else
            rotation->undo();
    }
    QFile::remove(temp);
    return restored;
}

void removeLeftovers(const QString& databasePath) {
    for (const QString& name : QStringList{path(databasePath, 0) + u".tmp"_s, databasePath + u".tmp"_s,
                                           restoreTemp(databasePath), droppedPath(databasePath)})
        QFile::remove(name);
}

} // namespace talven::Backups
