#include "ProgramLog.h"

#include "common/Platform.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>

using namespace Qt::StringLiterals;

namespace talven {

Q_LOGGING_CATEGORY(lcTalven, "talven")

namespace {

constexpr qint64 RotateAt = 1024 * 1024;

QMutex logMutex;
QString logPath;
QtMessageHandler previousHandler = nullptr;
bool passingOn = false;

QString levelText(QtMsgType type) {
    switch (type) {
    case QtDebugMsg:
        return u"调试"_s;
    case QtInfoMsg:
        return u"信息"_s;
    case QtWarningMsg:
        return u"警告"_s;
    case QtCriticalMsg:
        return u"错误"_s;
    case QtFatalMsg:
        return u"致命"_s;
    }
    return QString();
}

// A link where the log belongs is replaced, never written through: its target may be anyone's file.
void dropLink(const QString& path) {
    if (Platform::status(path, false).kind == Platform::FileKind::Link)
        QFile::remove(path);
}

// Only a regular file (or none yet) is written: a fifo there would hold the program for ever.
bool writable(const QString& path) {
    const auto kind = Platform::status(path, false).kind;
    return kind == Platform::FileKind::Missing || kind == Platform::FileKind::Regular;
}

void append(const QString& line) {
    dropLink(logPath);
    if (QFileInfo(logPath).size() >= RotateAt) {
        const QString older = logPath + u".1"_s;
        dropLink(older);
        if (writable(older)) {
            QFile::remove(older);
            QFile::rename(logPath, older);
        }
    }
    if (!writable(logPath))
        return;
    QFile file(logPath);
    if (file.open(QIODevice::WriteOnly | QIODevice::Append))
        file.write(line.toUtf8());
}

void handle(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    {
        QMutexLocker lock(&logMutex);
        if (!logPath.isEmpty() && type != QtDebugMsg)
            append(u"%1 %2 %3: %4\n"_s.arg(
                QDateTime::currentDateTime().toString(Qt::ISODate), levelText(type),
                QString::fromLatin1(context.category ? context.category : "default"), message));
    }
    if (passingOn && previousHandler)
        previousHandler(type, context, message);
}

} // namespace

namespace ProgramLog {

QString path(const QString& dataDir) {
    return QDir(dataDir).filePath(u"talven.log"_s);
}

void install(const QString& dataDir, bool passOn) {
    QMutexLocker lock(&logMutex);
    logPath = dataDir.isEmpty() ? QString() : path(dataDir);
    passingOn = passOn;
    const QtMessageHandler before = qInstallMessageHandler(handle);
    if (before != handle)
        previousHandler = before;
}

QString installedPath() {
    QMutexLocker lock(&logMutex);
    return logPath;
}

} // namespace ProgramLog

} // namespace talven
