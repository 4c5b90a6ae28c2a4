#pragma once

#include <QByteArray>
#include <QStringView>

#include <optional>

namespace talven {

// The streams of an Office compound file (the container of .xls and other 97-2003 documents),
// read without any library: enough to look into a workbook before a library is handed it.
namespace CompoundFile {

// The bytes of the stream of that name (in the root storage), or none when the file is no compound
// file, holds no such stream, or its sector chains are broken or loop.
std::optional<QByteArray> stream(const QByteArray& file, QStringView name);

} // namespace CompoundFile

} // namespace talven
