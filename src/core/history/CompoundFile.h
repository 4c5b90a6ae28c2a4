#pragma once

#include <QByteArray>
#include <QList>
#include <QStringView>

#include <optional>

namespace talven {

// The streams of an Office compound file (the container of .xls and other 97-2003 documents),
// read without any library: enough to look into a workbook before a library is handed it.
namespace CompoundFile {

// The bytes of the stream of that name (in the root storage), or none when the file is no compound
// file, holds no such stream, or its sector chains are broken or loop.
std::optional<QByteArray> stream(const QByteArray& file, QStringView name);

// Where the bytes of a stream kept in the file's own sectors lie: its byte i is in the file at
// offsets[i / unit] + i % unit.
struct Layout {
    qsizetype unit = 0;
    QList<qsizetype> offsets;
    // The file offset of the stream's byte at; -1 past its end.
    qsizetype fileOffset(qsizetype at) const;
};
// The layout of the stream of that name; none when it is no such stream or lives in the mini
// stream (streams under 4096 bytes).
std::optional<Layout> layout(const QByteArray& file, QStringView name);

} // namespace CompoundFile

} // namespace talven
