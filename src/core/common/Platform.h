#pragma once

#include "common/Result.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace talven::Platform {

// The operating system's calls, in one place, so that another system needs only this file anew.
// Failures carry the system's words in Error::cause and leave the sentence to the caller.

// True while a process with this id runs (or cannot be asked); false once it has ended.
bool processRunning(qint64 pid);
// The longest path and the longest single name the file system takes, in bytes.
int pathLimit();
int nameLimit();
// Why a path cannot be used whatever the file system holds: longer than the system allows as a
// whole or in one of its names; empty when it is not too long.
QString overLong(const QString& path);

enum class FileKind { Missing, Regular, Directory, Fifo, Socket, Device, Link, Other };

struct FileStatus {
    FileKind kind = FileKind::Missing;
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    QString cause; // the system's words when the file could not be looked at (not when it is missing)
};

// What is at the path, found without opening it (opening a fifo would wait for a writer). A link
// is followed unless `followLink` is false, when it is reported as FileKind::Link.
FileStatus status(const QString& path, bool followLink = true);
// Both paths name the same file (one is a link to the other, or both links to one file).
bool sameFile(const QString& a, const QString& b);
// What a file of that kind is, in words for a message ("是命名管道（FIFO），不是普通文件").
QString kindWords(FileKind kind);

// The bytes of a regular file, at most `limit` + 1 of them. Anything else (a fifo, a socket, a
// device, a directory) is refused without waiting for it; code NotFound when the file is missing,
// Refused when it is not a regular file, Io otherwise, with detail ReadFailed when the file opened
// but could not be read.
inline const QString ReadFailed = QStringLiteral("read");
Result<QByteArray> readRegularFile(const QString& path, qint64 limit);
// Writes a file of the program's own through a new file beside it that then takes the name: a
// symbolic link under that name is replaced, never written through, and a failure leaves what was
// there as it was.
Result<void> replaceWithBytes(const QString& path, const QByteArray& bytes);
// The name of the temporary file replaceWithBytes writes for path; start-up removes those of
// programs that no longer run.
QString replacementName(const QString& path);
// The process id in a name made by replacementName; 0 when the name is not one.
qint64 replacementOwner(const QString& fileName);

} // namespace talven::Platform
