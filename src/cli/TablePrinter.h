#pragma once

#include <QString>

class QAbstractItemModel;
class QTextStream;

namespace talven {

// Prints the title row and the rows from firstRow on of a table model, tab-separated, with the
// first `columns` columns.
void printTable(QTextStream& out, const QAbstractItemModel& model, int columns, int firstRow = 0);

// A line of a user's file as the terminal shows it: at most 60 characters, control characters
// replaced, since a wrong file may be binary.
QString shownLine(const QString& text);

} // namespace talven
