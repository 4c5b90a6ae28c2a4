#pragma once

// The files of the samples folder that the tests read.

#include <QFile>
#include <QString>

namespace talven::test {

inline QString sample(const char* name) {
    return QStringLiteral(TALVEN_SOURCE_DIR "/samples/") + QString::fromLatin1(name);
}

// The first `lines` lines of the sample history: a shorter history of real draws.
inline QByteArray sampleDraws(int lines) {
    QFile file(sample("history.txt"));
    return file.open(QIODevice::ReadOnly) ? file.readAll().split('\n').mid(0, lines).join('\n')
                                          : QByteArray();
}

} // namespace talven::test
