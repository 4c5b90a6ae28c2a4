#pragma once

#include "common/Progress.h"
#include "common/Result.h"
#include "lottery/DrawColumns.h"
#include "store/ResultTexts.h"

#include <QtGlobal>

#include <vector>

namespace talven {

class Database;

// Per formula (by ordinal - 1, which is also its slot: table * 50 + column - 1), per draw: the hit
// flag and the id of the predicted-value text.
struct ResultRows {
    std::vector<std::vector<qint8>> hits;
    std::vector<std::vector<quint16>> texts;
};

// The history tables Lishi0..Lishi30 as the database holds them: every table in use holds every
// draw, with the hit flags GS1..GS50 and predicted values GSZ1..GSZ50 of its fifty formulas. A
// copy of what is stored is kept, so that a change writes only the rows and columns that differ.
class HistoryTables {
public:
    HistoryTables();

    // Reads the draws of Lishi0, finds which tables in use hold exactly its periods, and reads
    // their stored results. A failed read is an error, never an empty history.
    Result<void> load(Database& db, int formulaCount);

    const std::vector<DrawValues>& storedDraws() const { return m_storedDraws; }
    ResultTexts& texts() { return m_texts; }
    const ResultTexts& texts() const { return m_texts; }

    // From slot fromSlot on, results may differ from the stored ones from draw fromDraw on; other
    // results are taken to be as stored (a full comparison would cost as much as the back-test).
    void markDirty(size_t fromSlot, size_t fromDraw);

    // True when sync() would write anything.
    bool differs(const std::vector<DrawValues>& draws, const ResultRows& wanted, int formulaCount) const;

    // Writes into every table in use what differs between the stored rows and the wanted ones,
    // inside the caller's transaction. Afterwards the copy describes the database.
    Result<void> sync(Database& db, const std::vector<DrawValues>& draws, const ResultRows& wanted,
                      int formulaCount, const ProgressFn& progress = {});

private:
    std::vector<DrawValues> m_storedDraws; // rows of every synced table
    std::vector<bool> m_tableSynced;       // per table: holds exactly m_storedDraws
    std::vector<bool> m_unusedRows;        // per table no formula uses: holds rows all the same
    ResultRows m_stored;                   // by slot
    std::vector<size_t> m_dirtyFrom;       // per slot, the first draw whose result may differ
    ResultTexts m_texts;
};

} // namespace talven
