#pragma once

#include "common/Limits.h"
#include "common/Result.h"

#include <QString>

#include <functional>

namespace talven {

class Database;

// The copies of the database. Before every history import: orvane.mdb.bak (the newest),
// orvane.mdb.bak.1 and orvane.mdb.bak.2, the generations a restore puts back. Before a repair the
// program makes at opening (formula numbers put in order): orvane.mdb.repair1 (the newest) ..
// repair3, which never take the place of a generation.
namespace Backups {

constexpr int Generations = BackupGenerations;
constexpr int RepairCopies = 3;

enum class Kind {
    Generation, // taken before an import: rotates the three generations
    Repair,     // taken before a repair at opening: rotates the repair copies
};

// The file of generation 0 (newest) .. 2.
QString path(const QString& databasePath, int generation);
// The repair copy 0 (newest, orvane.mdb.repair1) .. 2.
QString repairPath(const QString& databasePath, int copy);

// A whole copy of the database taken inside a change's write transaction. It joins its series only
// once the change is committed; a change that fails discards it, so a refused or retried change
// never moves a copy.
class PendingCopy {
public:
    PendingCopy() = default;
    PendingCopy(QString databasePath, QString temp, Kind kind = Kind::Generation)
        : m_databasePath(std::move(databasePath)), m_temp(std::move(temp)), m_kind(kind) {}
    const QString& file() const { return m_temp; }
    // The name the copy takes once kept: the newest of its series.
    QString destination() const;
    // Becomes the newest of its series; the one in `freeSlot` (the oldest when negative) is dropped.
    // When a file cannot be moved, every copy stays as it was and this one is kept beside them under
    // a name of its own, which the error gives.
    Result<void> keep(int freeSlot = -1);
    void discard();

private:
    QString m_databasePath;
    QString m_temp;
    Kind m_kind = Kind::Generation;
};

// Copies the database (as this connection reads it) to a file of this process's own.
Result<PendingCopy> take(Database& db, Kind kind = Kind::Generation);
// Reads a backup through: its write-ahead log folded in, SQLite's integrity check, this program's
// schema and every row. A damaged or foreign file is refused naming it.
Result<void> check(const QString& backupPath);
// Puts generation `generation` back, once it is checked. The current database becomes the newest
// generation and the restored one leaves the rotation, so no state is lost; a refused restore
// moves nothing. A backup that is the database itself (a link to it) or not a regular file is
// refused as such. The generations are rotated before the database is replaced: at every moment
// each state is in the database or in a file, and a restore killed half-way is completed at the
// next start (finishInterrupted).
Result<void> restore(Database& db, int generation);
// Completes the rotations and restores that a killed program left half-done, and puts a copy
// whose change was committed but never rotated into its series (one the database still holds is
// removed); returns what the user is told about it (empty when there was nothing).
Result<QString> finishInterrupted(Database& db);
// Removes the half-written copies and their journals that killed programs left behind; those of a
// running one stay.
void removeLeftovers(const QString& databasePath);

// Test builds only: called before each step of a rotation or restore with `done` false (false
// makes that step's file move fail) and after it with `done` true. Steps: copied, committed,
// aside, shift, newest, restored. The shipped programs never set it.
using StepHook = std::function<bool(const QString& step, bool done)>;
void setStepHook(StepHook hook);

} // namespace Backups

} // namespace talven
