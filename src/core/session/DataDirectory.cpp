#include "DataDirectory.h"

#include "common/Platform.h"
#include "store/Backups.h"
#include "store/Database.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace talven {

namespace {

// orvane.mdb beside the program keeps the data of earlier versions where it was; a file named
// "portable" asks for the program's directory from the start (a program on a USB stick).
bool isPortable(const QString& programDir) {
    if (programDir.isEmpty())
        return false;
    const QDir dir(programDir);
    return QFileInfo::exists(dir.filePath(u"orvane.mdb"_s)) || QFileInfo::exists(dir.filePath(u"portable"_s));
}

} // namespace

QString DataDirectory::describe() const {
    QString why;
    switch (source) {
    case Source::Option:
        why = u"由 --data-dir 指定"_s;
        break;
    case Source::Environment:
        why = u"由环境变量 TALVEN_DATA_DIR 指定"_s;
        break;
    case Source::Portable:
        why = u"程序目录，便携模式"_s;
        break;
    case Source::User:
        why = u"用户数据目录"_s;
        break;
    }
    return u"数据目录：%1（%2）"_s.arg(QDir::toNativeSeparators(path), why);
}

DataDirectory findDataDirectory(const QString& given, const QString& environment, const QString& programDir,
                                const QString& userDir) {
    if (!given.isEmpty())
        return {given, DataDirectory::Source::Option};
    if (!environment.isEmpty())
        return {environment, DataDirectory::Source::Environment};
    // Without a per-user location (no home directory) the program's directory is all there is.
    if (isPortable(programDir) || userDir.isEmpty())
        return {programDir, DataDirectory::Source::Portable};
    return {userDir, DataDirectory::Source::User};
}

void removeLeftovers(const QString& dataDir) {
    const QDir dir(dataDir);
    Backups::removeLeftovers(dir.filePath(QString::fromLatin1(Database::FileName)));
    for (const QString& name : dir.entryList({u"*.tmp-*"_s}, QDir::Files | QDir::Hidden | QDir::System)) {
        const qint64 owner = Platform::replacementOwner(name);
        if (owner > 0 && !Platform::processRunning(owner))
            QFile::remove(dir.filePath(name));
    }
}

Result<void> checkSettingsFiles() {
    const QString organisation = QCoreApplication::organizationName();
    const QString application = QCoreApplication::applicationName();
    // The files QSettings reads for them: per user first, then the system's, each with its
    // organisation-wide fallback.
    for (const QString& location : QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation)) {
        const QDir dir(location);
        for (const QString& file : {dir.filePath(organisation + u'/' + application + u".conf"_s),
                                    dir.filePath(organisation + u".conf"_s)})
            if (const auto s = Platform::status(file);
                s.kind != Platform::FileKind::Missing && s.kind != Platform::FileKind::Regular)
                return Error{u"无法读取设置文件 %1"_s.arg(QDir::toNativeSeparators(file)), ErrorCode::Refused}
                    .withCause(Platform::kindWords(s.kind));
    }
    return {};
}

DataDirectory findDataDirectory(const QString& given) {
    return findDataDirectory(given, qEnvironmentVariable("TALVEN_DATA_DIR"),
                             QCoreApplication::applicationDirPath(),
                             QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
}

} // namespace talven
