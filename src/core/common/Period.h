#pragma once

#include <QString>

#include <compare>
#include <optional>

namespace talven {

// A seven-digit period number: the four-digit year, then the three-digit number of the draw
// within the year (2007001).
class Period {
public:
    static constexpr int Min = 1000000;
    static constexpr int Max = 9999999;

    constexpr Period() = default;
    constexpr explicit Period(int value) : m_value(value) {}
    static constexpr Period firstOfYear(int year) { return Period(year * 1000 + 1); }

    constexpr int value() const { return m_value; }
    constexpr int year() const { return m_value / 1000; }
    constexpr int number() const { return m_value % 1000; }
    constexpr bool isValid() const { return m_value >= Min && m_value <= Max; }
    // The period after this one; none beyond the last seven-digit period.
    constexpr std::optional<Period> next() const {
        if (!isValid() || m_value == Max)
            return std::nullopt;
        return Period(m_value + 1);
    }
    QString toString() const { return QString::number(m_value); }

    constexpr auto operator<=>(const Period&) const = default;

private:
    int m_value = 0;
};

} // namespace talven
