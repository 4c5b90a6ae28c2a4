#pragma once

class QAbstractItemModel;
class QTextStream;

namespace talven {

// Prints the title row and the rows from firstRow on of a table model, tab-separated, with the
// first `columns` columns.
void printTable(QTextStream& out, const QAbstractItemModel& model, int columns, int firstRow = 0);

} // namespace talven
