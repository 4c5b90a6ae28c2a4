#pragma once

#include "common/Result.h"

#include <QByteArray>
#include <QString>

namespace talven {

// The most a user's input file (a history, a formula list) may hold.
inline constexpr qint64 InputLimit = 64 * 1024 * 1024;

// What the user is told when an input file cannot be used; each text takes the file as %1.
struct InputMessages {
    QString cannotOpen;
    QString cannotRead;
    QString tooLarge;
};

// The bytes of a user's file. Only a regular file is read: a fifo, socket, device or folder is
// refused at once, the cause naming what it is; a file above the limit is refused before it is
// read. Every refusal keeps the system's own words as its cause (no such file, permission denied).
Result<QByteArray> readInputFile(const QString& path, const InputMessages& messages);

} // namespace talven
