#include "common/InputFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace talven {

Result<QByteArray> readInputFile(const QString& path, const InputMessages& messages) {
    const QString shown = QDir::toNativeSeparators(path);
    const QFileInfo info(path);
    if (info.isFile() && info.size() > InputLimit)
        return Error{messages.tooLarge.arg(shown)};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Error{messages.cannotOpen.arg(shown), ErrorCode::NotFound};
    const QByteArray bytes = file.read(InputLimit + 1);
    if (file.error() != QFileDevice::NoError)
        return Error{messages.cannotRead.arg(shown), ErrorCode::Io};
    if (bytes.size() > InputLimit)
        return Error{messages.tooLarge.arg(shown)};
    return bytes;
}

} // namespace talven
