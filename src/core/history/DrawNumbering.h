#pragma once

#include "common/Result.h"
#include "history/DrawRow.h"
#include "history/HistoryFile.h"
#include "history/TableLayout.h"

#include <QList>

namespace talven {

// The periods of a table's draws: the file's own, counted per year from dates (said aloud in
// warnings), or counted on from the proposed period.
namespace DrawNumbering {

// Numbers the rows (oldest first) into `file.draws`; a period that cannot be stored skips its row.
// `unreadable` are the lines of the table that gave no draw, for the warnings about dates.
void number(const QList<DrawRow>& rows, const TableLayout& layout, int proposedPeriod, int largest,
            const QList<int>& unreadable, HistoryFile& file);

// The draws of a file without draw numbers that follow the stored history (oldest first): the
// three newest stored draws (all when fewer) must be in the file, consecutive and equal; what
// follows is numbered on from the newest stored period, a new year starting at its draw 001.
// Refused naming the first of those stored draws it could not find; with none stored, all draws.
Result<QList<ParsedDraw>> following(const QList<ParsedDraw>& draws, const QList<ParsedDraw>& stored);

} // namespace DrawNumbering

} // namespace talven
