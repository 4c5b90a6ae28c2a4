#pragma once

#include <QStringView>

#include <array>
#include <cstdint>

namespace talven {

// What one cell of a table holds, read once: the layout and every row look at it.
struct TableCell {
    enum class Kind : std::uint8_t {
        Other,
        Number,    // one or two digits
        Numbers,   // six or seven numbers in one cell ("05,18,23,31,40,45 + 07")
        Period,    // a seven-digit period or a draw number YY/NNN, YYYY/NNN
        Date,      // a possible date
        BadPeriod, // digits shaped like a period that is none (20240001, 2024000)
        BadDate,   // shaped like a date that is impossible (31/02/2024) or outside 1900-2099
    };

    Kind kind = Kind::Other;
    bool eitherOrder = false; // a date whose day and month the column must decide
    std::uint8_t count = 0;   // how many numbers a Numbers cell holds
    int value = 0;            // the number, the period, or the date's Julian day (day first; 0 if impossible)
    int monthFirst = 0;       // for eitherOrder: the Julian day read month first, 0 if impossible
    std::array<std::uint8_t, 7> numbers{};

    static TableCell of(QStringView text);

    bool isPeriodShaped() const { return kind == Kind::Period || kind == Kind::BadPeriod; }
    bool isDateShaped() const { return kind == Kind::Date || kind == Kind::BadDate; }
    // The date as the column reads it, 0 when impossible so.
    int dateValue(bool monthFirstOrder) const { return eitherOrder && monthFirstOrder ? monthFirst : value; }
};

} // namespace talven
