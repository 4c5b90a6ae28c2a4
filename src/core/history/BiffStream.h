#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <optional>

namespace talven {

// The workbook stream of an Excel 97-2003 workbook, looked into before the workbook library is
// handed it: the sheet sizes it declares, and its date cells, read here rather than by the library,
// which counts each date's days one at a time (5,000 dates took 300 ms).
namespace BiffStream {

// The workbook stream of the compound file ("Workbook", or "Book" of Excel 5 and 95); none when
// it cannot be read here.
std::optional<QByteArray> workbook(const QByteArray& file);

// The cells the sheets declare (the DIMENSION record of each, last row × last column), as the
// library sets them aside when it opens the workbook.
qint64 declaredCells(const QByteArray& stream);

// The date formats of the copy handed to the library become General, so that it reads those
// cells as plain numbers; the plan holds their days.
struct Plan {
    QByteArray patched; // the workbook with its date formats made General
    // Per sheet name, the date cells ((row << 16) | column) as "yyyy-MM-dd".
    QHash<QString, QHash<quint32, QString>> dates;
};

// None when the workbook is not one this reads exactly as the library does (not BIFF8, a stream in
// the mini stream, a date format used by a formula, sheets of one name): the library then reads it.
std::optional<Plan> plan(const QByteArray& file, const QByteArray& stream);

// The day of a date cell's serial number as the library writes it: 1900-based with its
// 29 February 1900, or 1904-based.
QString dayText(double serial, bool from1904);

// True when a number format is one of the dates the library writes as days: the built-in dates
// (14–17, 22) or a custom format naming a year, a month and a day, and no time.
bool isDateFormat(int id, const QString& custom);

} // namespace BiffStream

} // namespace talven
