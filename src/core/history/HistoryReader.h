#pragma once

#include "common/Result.h"
#include "history/HistoryFile.h"
#include "history/HistoryParser.h"
#include "history/SourceTable.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace talven {

// Reading of history files in the forms users bring: the original two-digit lines, and tables or
// plain lines of a period (or draw number, or date) and seven numbers. Pure, it touches no database.
namespace HistoryReader {

// A workbook, JSON list or web page is read through its tables (readTables), a binary file refused
// naming what it is. Of text, a file that the original line reader mostly accepts is read by it
// unchanged; any other file is read as a table. The draws come out oldest first: a file running
// newest first is reversed, one in no order is sorted by its periods or dates. Refused when two
// lines give the same period with different numbers. `fileName` helps tell the kind of file.
Result<HistoryFile> read(const QByteArray& bytes, int proposedPeriod, int largest,
                         const QString& fileName = QString());

// The same from a file, which is refused unread when it is too large to be a history.
Result<HistoryFile> readFile(const QString& path, int proposedPeriod, int largest);

// Tables given as cells (a workbook's sheets, a JSON list): each in order, the first that holds
// draws is read and named in `sourceName`. Refused naming the kind of file ("Excel 工作簿") when
// none does. A table without periods nor dates is counted on from `proposedPeriod`, or, without
// one, holds no draws.
Result<HistoryFile> readTables(const QList<SourceTable>& tables, const QString& kindName, int largest,
                               int proposedPeriod = 0);

} // namespace HistoryReader

} // namespace talven
