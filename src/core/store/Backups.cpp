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

} // namespace

QString path(const QString& databasePath, int generation) {
    return databasePath + u".bak"_s + (generation > 0 ? u"."_s + QString::number(generation) : QString());
}

Result<void> save(Database& db) {
    const QString newest = path(db.path(), 0);
    const QString temp = newest + u".tmp"_s;
    if (auto copied = db.copyTo(temp); !copied)
        return copied;
    for (int g = Generations - 1; g > 0; --g) {
        const QString older = path(db.path(), g - 1);
        if (QFile::exists(older) && !Database::replaceFile(older, path(db.path(), g))) {
            QFile::remove(temp);
            return Error{u"无法保存备份文件 %1"_s.arg(QDir::toNativeSeparators(older)), ErrorCode::Io};
        }
    }
    if (!Database::replaceFile(temp, newest)) {
        QFile::remove(temp);
        return Error{u"无法保存备份文件 %1"_s.arg(QDir::toNativeSeparators(newest)), ErrorCode::Io};
    }
    return {};
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
    auto restored = save(db);
    if (restored) {
        auto held = Database::open(temp, Database::OpenMode::ReadExisting);
        restored = held ? db.restoreFrom(*held.value()) : Result<void>(held.error());
    }
    QFile::remove(temp);
    return restored;
}

void removeLeftovers(const QString& databasePath) {
    for (const QString& name :
         QStringList{path(databasePath, 0) + u".tmp"_s, databasePath + u".tmp"_s, restoreTemp(databasePath)})
        QFile::remove(name);
}

} // namespace talven::Backups
