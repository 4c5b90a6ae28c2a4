#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace talven {

// One row of a table that a file gives as cells rather than as text lines: a workbook's sheet, a
// JSON list of draws, an HTML table.
struct SourceRow {
    int number = 0; // where the user finds the row: the sheet's row, the list's item, 1-based
    QStringList cells;
};

// Such a table as the table reader takes it.
struct SourceTable {
    QString name; // what the preview calls it: "工作表“2024”", "JSON 列表“draws”"
    QList<SourceRow> rows;
};

} // namespace talven
