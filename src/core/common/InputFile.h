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

// The bytes of a user's file. A file above the limit is refused before it is read, and a device or
// pipe is read only up to the limit, so that no input can exhaust the memory.
Result<QByteArray> readInputFile(const QString& path, const InputMessages& messages);

} // namespace talven
