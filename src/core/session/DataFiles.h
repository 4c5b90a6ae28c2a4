#pragma once

#include <QString>

namespace talven {

// The files of a data directory that the user may be told about.
namespace DataFiles {

// The copy of the database of generation 0 (newest) .. BackupGenerations - 1.
QString backupPath(const QString& dataDir, int generation);
// The copy taken before a repair at opening, 0 (newest, orvane.mdb.repair1) .. 2.
QString repairPath(const QString& dataDir, int copy);

} // namespace DataFiles

} // namespace talven
