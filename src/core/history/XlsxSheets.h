#pragma once

#include "common/Result.h"
#include "history/SourceTable.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>

namespace talven {

// The sheets of an Excel workbook (.xlsx) as tables of cell texts.
namespace XlsxSheets {

// The most a workbook may unpack to: far above any history, far below what exhausts the memory.
inline constexpr qint64 UnpackedLimit = 200LL * 1024 * 1024;

// True when the zip holds xl/workbook.xml, so that a zip of something else can be named as such.
bool isWorkbook(const QByteArray& zip);

// Every sheet in the workbook's order, named "工作表“…”"; a row's number is the sheet's row,
// gaps between cells stay empty cells. Numbers in date-formatted cells become "yyyy-MM-dd".
// Refused when the zip is damaged or unpacks to more than UnpackedLimit.
Result<QList<SourceTable>> read(const QByteArray& zip);

// The day of a spreadsheet serial number, in the 1900 system (with its phantom 29 February 1900)
// or the 1904 one; invalid when the serial is no day between 1900 and 9999.
QDate serialDate(double serial, bool from1904 = false);

} // namespace XlsxSheets

} // namespace talven
