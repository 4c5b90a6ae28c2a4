#pragma once

#include "common/Limits.h"
#include "common/Result.h"

#include <QString>

#include <utility>
#include <vector>

namespace talven {

class Database;

// The copies of the database kept before every history import: orvane.mdb.bak (the newest),
// orvane.mdb.bak.1 and orvane.mdb.bak.2.
namespace Backups {

constexpr int Generations = BackupGenerations;

// The file of generation 0 (newest) .. 2.
QString path(const QString& databasePath, int generation);
// The file moves of one save(): until the change that made them is kept, they can be taken back.
class Rotation {
public:
    // Puts every generation back where it was and removes the new copy.
    void undo();
    // Drops the oldest generation for good.
    void keep();

private:
    friend Result<Rotation> save(Database& db);
    QString m_newest;
    QString m_dropped;                                // the oldest generation, set aside
    std::vector<std::pair<QString, QString>> m_moves; // from, to; in the order they were made
};

// Copies the database to a new newest generation; the older ones move down only once the copy is
// whole, and the oldest is set aside until the rotation is kept.
Result<Rotation> save(Database& db);
// Puts generation `generation` back: the current database is saved as the newest generation first.
Result<void> restore(Database& db, int generation);
// Removes the temporary files a killed copy or restore left behind.
void removeLeftovers(const QString& databasePath);

} // namespace Backups

} // namespace talven
