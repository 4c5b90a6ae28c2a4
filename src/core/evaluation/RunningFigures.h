#pragma once

#include "evaluation/FormulaStatistics.h"

#include <cstdint>
#include <vector>

namespace talven {

// The figures the formula filter reads, of one formula, kept up to date one draw at a time: after
// the draws 0..k have been added (oldest first), each equals what the statistics pass gives on the
// history cut after draw k. Adding a draw costs the same however long the history is.
class RunningFigures {
public:
    // recentWindow: the judged draws of the recent accuracy; 0 keeps none.
    RunningFigures(int kind, bool kill, int largestNumber, int recentWindow = 0);

    // The next draw: its hit flag and, for every draw but the first, how many of the numbers 1..N
    // would have made the prediction judged at it right (BacktestEngine::winningAt).
    void add(bool hit, int winning);

    int draws() const { return m_draws; }
    // figuresOf() over the flags added so far.
    FormulaFigures figures() const;
    // recentAccuracy() over the flags added so far, for the window given at construction.
    RecentAccuracy recent() const;
    // The chance sums over the judged draws added so far, as the back-test keeps them.
    const ChanceSums& chanceSums() const { return m_chance; }
    ChanceFigures againstChance() const { return chanceFigures(m_chance, m_figures.hits); }

private:
    int m_kind;
    bool m_kill;
    int m_window;
    int m_draws = 0;
    FormulaFigures m_figures; // hits and runs; the rest is worked out per snapshot
    ChanceSums m_chance;
    std::vector<std::uint8_t> m_recentFlags; // the newest judged flags, as a ring
    int m_recentHits = 0;
};

} // namespace talven
