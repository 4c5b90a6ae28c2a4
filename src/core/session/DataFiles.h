#pragma once

#include <QString>

namespace talven {

// The files of a data directory that the user may be told about.
namespace DataFiles {

// The copy of the database of generation 0 (newest) .. BackupGenerations - 1.
QString backupPath(const QString& dataDir, int generation);

} // namespace DataFiles

} // namespace talven
