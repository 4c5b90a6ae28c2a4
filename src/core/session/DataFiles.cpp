#include "DataFiles.h"

#include "store/Backups.h"
#include "store/Database.h"

#include <QDir>

namespace talven::DataFiles {

QString backupPath(const QString& dataDir, int generation) {
    return Backups::path(QDir(dataDir).filePath(QString::fromLatin1(Database::FileName)), generation);
}

QString repairPath(const QString& dataDir, int copy) {
    return Backups::repairPath(QDir(dataDir).filePath(QString::fromLatin1(Database::FileName)), copy);
}

} // namespace talven::DataFiles
