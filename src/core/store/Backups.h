#pragma once

#include "common/Limits.h"
#include "common/Result.h"

#include <QString>

namespace talven {

class Database;

// The copies of the database kept before every history import: orvane.mdb.bak (the newest),
// orvane.mdb.bak.1 and orvane.mdb.bak.2.
namespace Backups {

constexpr int Generations = BackupGenerations;

// The file of generation 0 (newest) .. 2.
QString path(const QString& databasePath, int generation);
// Copies the database to a new newest generation; the older ones move down only once the copy is
// whole, and the oldest is dropped.
Result<void> save(Database& db);
// Puts generation `generation` back: the current database is saved as the newest generation first.
Result<void> restore(Database& db, int generation);
// Removes the temporary files a killed copy or restore left behind.
void removeLeftovers(const QString& databasePath);

} // namespace Backups

} // namespace talven
