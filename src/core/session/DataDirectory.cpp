#include "DataDirectory.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStandardPaths>

namespace talven {

QString resolveDataDirectory(const QString& given) {
    if (!given.isEmpty())
        return given;
    const QString env = qEnvironmentVariable("TALVEN_DATA_DIR");
    if (!env.isEmpty())
        return env;
    const QString appDir = QCoreApplication::applicationDirPath();
    if (!appDir.isEmpty() && QFileInfo(appDir).isWritable())
        return appDir;
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

} // namespace talven
