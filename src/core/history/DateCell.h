#pragma once

#include <QStringList>
#include <QStringView>

#include <optional>

namespace talven {

// Dates as tables write them: 2024-01-02, 2024/1/2, 2024.01.02, 2024年1月2日, 20240102, 02/01/2024,
// 02.01.2024, June 12, 1982, 12 Jun 1982, Jun-12-1982, each with or without a time after it.
namespace DateCell {

struct Written {
    int year = 0;
    int first = 0;            // the month, or for day and month in either order the first of the two
    int second = 0;           // the day, or the second of the two
    bool eitherOrder = false; // dd/mm/yyyy or mm/dd/yyyy: the whole column decides
};

// The parts of a text shaped like a date, possible or not; none when it is no date.
std::optional<Written> parse(QStringView text);

// Joins a date with a month name that the separator cut into cells ("June 12", "1982" or "12",
// "Jun", "1982") back into one cell.
void joinSplitDates(QStringList& cells);

// The Julian day of a possible date of the years 1900-2099, else 0.
int julianDay(int year, int month, int day);

// The Julian day of a spreadsheet's serial date number (days since 1899-12-30), else 0.
int fromSerial(QStringView text);

} // namespace DateCell

} // namespace talven
