#pragma once

#include "common/Result.h"
#include "history/HistoryFile.h"
#include "history/TableRow.h"

#include <QList>
#include <QString>

namespace talven {

// Reads one table of rows into draws: titles, rows, order, numbering, then the description.
namespace TableReader {

struct Source {
    QString form;                // what the preview calls the table so far ("逗号分隔表格")
    bool blankSeparated = false; // a text of blank-separated columns, perhaps plain lines
};

Result<HistoryFile> read(const QList<TableRow>& rows, const Source& source, int proposedPeriod, int largest);

} // namespace TableReader

} // namespace talven
