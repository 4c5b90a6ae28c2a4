#include "prompts/DialogFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace talven {

namespace {

const QString key = u"FileDialogs/lastFolder"_s;

QString& folderOfThisRun() {
    static QString folder;
    return folder;
}

} // namespace

QString DialogFolder::start(const QSettings* settings) {
    const QString last = settings ? settings->value(key).toString() : folderOfThisRun();
    if (!last.isEmpty() && QFileInfo(last).isDir())
        return last;
    const QString downloads = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    return !downloads.isEmpty() && QFileInfo(downloads).isDir() ? downloads : QDir::homePath();
}

void DialogFolder::remember(QSettings* settings, const QString& chosenFile) {
    if (chosenFile.isEmpty())
        return;
    const QString folder = QFileInfo(chosenFile).absolutePath();
    if (settings)
        settings->setValue(key, folder);
    else
        folderOfThisRun() = folder;
}

} // namespace talven
