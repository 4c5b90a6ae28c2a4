#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <optional>

namespace talven {

// The date cells of an Excel 97-2003 workbook, read here rather than by the workbook library, which
// counts each date's days one at a time (5,000 dates took 300 ms). The date formats of the copy
// handed to the library become General, so that it reads those cells as plain numbers.
namespace XlsDates {

struct Plan {
    QByteArray patched; // the workbook with its date formats made General
    // Per sheet name, the date cells ((row << 16) | column) as "yyyy-MM-dd".
    QHash<QString, QHash<quint32, QString>> dates;
};

// None when the workbook is not one this reads exactly as the library does (not BIFF8, a stream in
// the mini stream, a date format used by a formula, sheets of one name): the library then reads it.
std::optional<Plan> plan(const QByteArray& file);

// The day of a date cell's serial number as the library writes it: 1900-based with its
// 29 February 1900, or 1904-based.
QString dayText(double serial, bool from1904);

// True when a number format is one of the dates the library writes as days: the built-in dates
// (14–17, 22) or a custom format naming a year, a month and a day, and no time.
bool isDateFormat(int id, const QString& custom);

} // namespace XlsDates

} // namespace talven
