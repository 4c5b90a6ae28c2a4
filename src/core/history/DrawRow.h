#pragma once

#include "history/TableCell.h"
#include "history/TableLayout.h"
#include "history/TableRow.h"

#include <QList>
#include <QString>

#include <array>

namespace talven {

// One row of a table read as a draw: its key and its seven numbers, before order and numbering.
struct DrawRow {
    int line = 0;
    QString text;
    QString keyText;
    int key = 0; // the period, or the date's Julian day
    std::array<int, 7> numbers{};

    // Reads `row` (its cells read as `cells`) by the layout; the reason it is unreadable, or empty.
    QString read(const TableRow& row, const QList<TableCell>& cells, const TableLayout& layout, int largest);
};

} // namespace talven
