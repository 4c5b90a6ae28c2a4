#pragma once

#include <QString>
#include <QStringList>

namespace talven {

// One row of a table being read: where the user finds it, its text as shown and its cells.
struct TableRow {
    int number = 0; // the line of the file (of the row's first line) or the sheet's row, 1-based
    QString text;
    QStringList cells;
};

} // namespace talven
