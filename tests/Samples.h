#pragma once

// The files of the samples folder that the window tests read.

#include <QString>

namespace talven::test {

inline QString sample(const char* name) {
    return QStringLiteral(TALVEN_SOURCE_DIR "/samples/") + QString::fromLatin1(name);
}

} // namespace talven::test
