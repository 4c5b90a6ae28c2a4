#pragma once

#include "common/Result.h"
#include "history/SourceTable.h"

#include <QByteArray>
#include <QList>

namespace talven {

// The sheets of an Excel 97-2003 workbook (.xls) as tables of cell texts.
namespace XlsSheets {

// Every sheet in the workbook's order, named "工作表“…”"; a row's number is the sheet's row.
// Date cells become "yyyy-MM-dd". Refused, naming why, when the compound file holds no workbook,
// is protected by a password or is damaged.
Result<QList<SourceTable>> read(const QByteArray& bytes);

} // namespace XlsSheets

} // namespace talven
