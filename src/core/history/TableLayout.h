#pragma once

#include "common/Result.h"
#include "history/TableCell.h"

#include <QList>

namespace talven {

// Where the key (period or date) and the seven numbers of a table's rows are. With titles that
// name numbers, columns are taken by title only; without, by what most cells of a column hold.
struct TableLayout {
    enum class Key { None, Period, Date };

    Key key = Key::None;
    int keyColumn = -1;
    QList<int> numberColumns; // seven columns, the special number last; empty: see below
    int numbersColumn = -1;   // or the numbers in one cell, six of them with specialColumn beside
    int specialColumn = -1;
    bool byTitles = false;
    bool serialDates = false;  // a titled date column: spreadsheet serial numbers are dates too
    bool monthFirst = false;   // dates written mm/dd/yyyy
    bool orderAssumed = false; // no date of the column decided between dd/mm and mm/dd: day first

    // Without number columns nor a numbers cell, the numbers are the number cells after the key.
    bool numbersAfterKey() const { return numberColumns.isEmpty() && numbersColumn < 0; }

    // The layout of the data rows (`cells`, one list per row) under titles of the given roles
    // (empty without a title row). Refused when the titles name numbers but not all seven.
    static Result<TableLayout> of(const QList<QList<TableCell>>& cells, const QList<int>& roles);
};

} // namespace talven
