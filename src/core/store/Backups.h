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

// A whole copy of the database taken inside a change's write transaction. It joins the
// generations only once the change is committed; a change that fails discards it, so a refused or
// retried change never moves a generation.
class PendingCopy {
public:
    PendingCopy() = default;
    PendingCopy(QString databasePath, QString temp)
        : m_databasePath(std::move(databasePath)), m_temp(std::move(temp)) {}
    const QString& file() const { return m_temp; }
    // Becomes the newest generation; the one in `freeSlot` (the oldest unless given) is dropped.
    // When a file cannot be moved, every generation stays as it was and the copy is kept beside
    // them under a name of its own, which the error gives.
    Result<void> keep(int freeSlot = Generations - 1);
    void discard();

private:
    QString m_databasePath;
    QString m_temp;
};

// Copies the database (as this connection reads it) to a file of this process's own.
Result<PendingCopy> take(Database& db);
// Reads a backup through: SQLite's integrity check, this program's schema and every row. A
// damaged or foreign file is refused naming it.
Result<void> check(const QString& backupPath);
// Puts generation `generation` back, once it is checked. The current database becomes the newest
// generation and the restored one leaves the rotation, so no state is lost; a refused restore
// moves nothing. The generations are rotated before the database is replaced: at every moment
// each state is in the database or in a file, and a restore killed half-way is completed at the
// next start (finishInterrupted).
Result<void> restore(Database& db, int generation);
// Completes the rotations and restores that a killed program left half-done, and puts a copy
// whose change was committed but never rotated into the generations (one the database still
// holds is removed); returns what the user is told about it (empty when there was nothing).
Result<QString> finishInterrupted(Database& db);
// Removes the half-written copies that killed programs left behind; those of a running one stay.
void removeLeftovers(const QString& databasePath);

// For the tests of what survives a failure between the steps of a rotation or restore: "fail@STEP"
// makes that step's file move fail, "kill@STEP" stops the process right after it; empty: none.
// Only test programs call it; the shipped programs have no way to set it.
void injectFault(const QString& fault);

} // namespace Backups

} // namespace talven
