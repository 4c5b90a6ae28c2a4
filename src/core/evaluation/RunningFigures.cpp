#include "RunningFigures.h"

#include <algorithm>

namespace talven {

RunningFigures::RunningFigures(int kind, bool kill, int largestNumber, int recentWindow)
    : m_kind(kind), m_kill(kill), m_window(std::max(0, recentWindow)) {
    m_chance.largest = largestNumber;
    m_recentFlags.assign(static_cast<size_t>(m_window), 0);
}

void RunningFigures::add(bool hit, int winning) {
    m_figures.add(hit);
    // The first draw has no prediction: it counts in the figures but is never judged.
    if (m_draws > 0) {
        m_chance.add(winning);
        if (m_window > 0) {
            const int judged = m_chance.draws;
            std::uint8_t& slot = m_recentFlags[static_cast<size_t>((judged - 1) % m_window)];
            if (judged > m_window)
                m_recentHits -= slot;
            slot = hit ? 1 : 0;
            m_recentHits += slot;
        }
    }
    ++m_draws;
}

FormulaFigures RunningFigures::figures() const {
    FormulaFigures f = m_figures;
    f.finish(m_kind, m_kill, m_draws);
    return f;
}

RecentAccuracy RunningFigures::recent() const {
    RecentAccuracy r;
    r.draws = std::min(m_window, m_chance.draws);
    r.hits = m_recentHits;
    r.accuracy = r.draws > 0 ? static_cast<float>(r.hits) / static_cast<float>(r.draws) * 100.0f : 0.0f;
    return r;
}

} // namespace talven
