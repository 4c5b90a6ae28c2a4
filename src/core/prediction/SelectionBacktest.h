#pragma once

#include "common/Progress.h"
#include "common/Result.h"
#include "evaluation/BacktestEngine.h"
#include "evaluation/FormulaFilter.h"

#include <QList>

#include <atomic>
#include <optional>
#include <vector>

namespace talven {

// What to back-test: how the formulas that rank the numbers are chosen at each judged draw, and
// over which draws.
struct SelectionBacktestRequest {
    enum class Mode {
        Fixed,       // 当前选择: the same formulas at every draw
        WalkForward, // 按过滤条件逐期选择: the filter applied to what was known before each draw
    };
    Mode mode = Mode::Fixed;
    // The newest `last` judged draws; none: every draw that has a draw before it.
    std::optional<int> last;
    // 显所选类公式: only formulas of this kind take part, as in verification.
    std::optional<int> kindFilter;
    // Fixed: the selection flags by ordinal - 1; a formula without a flag is not selected.
    std::vector<bool> selection;
    // WalkForward: the ranges last applied, and the formulas they act on (1-based ordinals, as the
    // filter window was shown them; none: every formula). Other formulas take no part.
    FormulaFilter::Criteria criteria = FormulaFilter::Criteria::unbounded();
    std::optional<QList<int>> ordinals;
};

// One judged draw t: the selection's error values as verification at draw t - 1 gives them, held
// against draw t's special number.
struct SelectionDrawRow {
    int draw = 0; // index in the history, oldest first
    int period = 0;
    int special = 0;
    int selected = 0;   // formulas selected for this draw
    int errorValue = 0; // the special number's 杀留Err值 (formulas of both senses ruling it out)
    double rank = 0;    // among 1..N by error value, lowest first; tied numbers share the mean rank
    int tied = 1;       // numbers with the special number's error value, itself included
    int keptCount = 0;  // numbers no selected formula rules out (保留)
    bool hit = false;   // the special number was one of them

    bool operator==(const SelectionDrawRow&) const = default;
};

// A judged draw left out of every figure.
struct SkippedDraw {
    int period = 0;
    int selected = 0; // 0: no formula selected; otherwise none of them had a value at the draw before

    bool operator==(const SkippedDraw&) const = default;
};

// The record of a selection in the words of a formula's: percentages are 0..100.
struct SelectionSummary {
    int hits = 0;  // draws whose special number was kept
    int draws = 0; // draws in the figures
    // 随机水平 (mean kept share |K| / N), 超出随机 and 标准分, exactly as for a formula.
    ChanceFigures againstChance;
    double rankPercentile = 0; // mean of (rank - 1) / (N - 1) * 100; 50 by chance
    double top5 = 0;           // share of draws whose special number ranked among the 5 lowest
    double top10 = 0;          // ... among the 10 lowest; a tie across the place counts its share
    double top5Chance = 0;     // 5 / N
    double top10Chance = 0;    // 10 / N
    double meanKept = 0;
    // The kept set was empty on more than half the draws: the rank figures tell more than the hits.
    bool keptMostlyEmpty = false;
};

struct SelectionBacktestReport {
    int largestNumber = 0;
    std::vector<SelectionDrawRow> rows; // oldest first; the draws in the figures
    std::vector<SkippedDraw> skipped;   // oldest first
    SelectionSummary summary;
    bool cancelled = false; // stopped early: no rows and no figures
};

// Back-tests a selection of formulas draw by draw: at each judged draw of the window, the
// selection's per-number error values as verification right after the draw before computes them,
// and where they put that draw's special number. The walk-forward mode chooses the formulas at
// each draw by the filter's criteria on statistics of the history cut before it, kept up to date
// one draw at a time. Reads the back-test's results only; runs on every core.
class SelectionBacktest {
public:
    explicit SelectionBacktest(const BacktestEngine& engine);

    // Refused when the history has no judged draw or the window is not positive. When cancel
    // becomes true the run stops within a few formulas and reports cancelled.
    Result<SelectionBacktestReport> run(const SelectionBacktestRequest& request,
                                        const std::atomic<bool>* cancel = nullptr,
                                        const ProgressFn& progress = {}) const;

    // The formulas (flags by ordinal - 1) the request selects for judged draw `draw`, 1..count - 1.
    std::vector<bool> selectionAt(const SelectionBacktestRequest& request, int draw) const;

    // The figures of a run's rows.
    static SelectionSummary summarize(const std::vector<SelectionDrawRow>& rows, int largestNumber);

private:
    const BacktestEngine& m_engine;
};

} // namespace talven
