#pragma once

#include <QString>

namespace talven {

// Where the database lives: the given directory (--data-dir), else TALVEN_DATA_DIR, else the
// program's own directory when writable, else the per-user data location.
QString resolveDataDirectory(const QString& given);

} // namespace talven
