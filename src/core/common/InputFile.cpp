#include "common/InputFile.h"

#include "common/Platform.h"

#include <QDir>
#include <QFile>

namespace talven {

Result<QByteArray> readInputFile(const QString& path, const InputMessages& messages) {
    const QString shown = QDir::toNativeSeparators(path);
    if (const QString tooLong = Platform::overLong(path); !tooLong.isEmpty())
        return Error{messages.cannotOpen.arg(shown), ErrorCode::Io}.withCause(tooLong);
    if (const Platform::FileStatus s = Platform::status(path);
        s.kind == Platform::FileKind::Regular && s.size > InputLimit)
        return Error{messages.tooLarge.arg(shown)};
    // The built-in samples are Qt resources, never a fifo: Qt reads them.
    if (path.startsWith(u':')) {
        QFile resource(path);
        if (!resource.open(QIODevice::ReadOnly))
            return Error{messages.cannotOpen.arg(shown), ErrorCode::NotFound}.withCause(
                resource.errorString());
        return resource.read(InputLimit);
    }
    auto bytes = Platform::readRegularFile(path, InputLimit);
    if (!bytes) {
        const Error& e = bytes.error();
        return Error{
            (e.detail == Platform::ReadFailed ? messages.cannotRead : messages.cannotOpen).arg(shown), e.code}
            .withCause(e.cause);
    }
    if (bytes->size() > InputLimit)
        return Error{messages.tooLarge.arg(shown)};
    return bytes;
}

} // namespace talven
