#pragma once

#include "common/Period.h"
#include "lottery/DrawColumns.h"

#include <array>

namespace talven {

// One draw of the history as the user entered it: its period and the seven numbers in drawn
// order, the special number last, with the attribute codes the history holds for that number.
class Draw {
public:
    explicit Draw(const DrawValues& values) {
        m_period = Period(values[DrawColumns::QQH]);
        for (int p = 1; p <= 7; ++p)
            m_numbers[static_cast<size_t>(p - 1)] =
                values[static_cast<size_t>(DrawColumns::attribute('L', p, 'A'))];
        m_zodiacCode = values[static_cast<size_t>(DrawColumns::attribute('L', 7, 'B'))];
        m_waveCode = values[static_cast<size_t>(DrawColumns::attribute('L', 7, 'C'))];
        m_elementCode = values[static_cast<size_t>(DrawColumns::attribute('L', 7, 'D'))];
    }

    // The stored row of a draw entered as a period and seven numbers; the attribute columns are
    // left for the number model to fill.
    static DrawValues entered(Period period, const std::array<int, 7>& numbers) {
        DrawValues v{};
        v[DrawColumns::QQH] = period.value();
        for (int p = 1; p <= 7; ++p)
            v[static_cast<size_t>(DrawColumns::attribute('L', p, 'A'))] = numbers[static_cast<size_t>(p - 1)];
        return v;
    }
    static Period periodOf(const DrawValues& values) { return Period(values[DrawColumns::QQH]); }

    Period period() const { return m_period; }
    const std::array<int, 7>& numbers() const { return m_numbers; }
    int special() const { return m_numbers[6]; }
    // The codes as stored, under the code bases of the options the history was computed with.
    int specialZodiacCode() const { return m_zodiacCode; }
    int specialWaveCode() const { return m_waveCode; }
    int specialElementCode() const { return m_elementCode; }

private:
    Period m_period;
    std::array<int, 7> m_numbers{};
    int m_zodiacCode = 0;
    int m_waveCode = 0;
    int m_elementCode = 0;
};

} // namespace talven
