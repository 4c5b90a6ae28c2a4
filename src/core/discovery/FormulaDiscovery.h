#pragma once

#include "common/Progress.h"
#include "common/Result.h"
#include "evaluation/BacktestEngine.h"
#include "lottery/NumberModel.h"

#include <QList>
#include <QString>

#include <atomic>
#include <cstdint>
#include <vector>

namespace talven {

// What to search for: the kind and sense of the formulas, how many candidates to judge, how many of
// the newest draws to hold out, how many of the best to keep, and the seed of the candidates.
struct DiscoveryRequest {
    int kind = 0;
    bool kill = true;
    int candidates = 20000;
    int holdout = 100;
    int top = 20;
    std::uint64_t seed = 1;

    static constexpr int MaxCandidates = 10'000'000;
    static constexpr int MaxTop = 1000;
};

// Hits over a stretch of judged draws and the accuracy the formula list shows for them.
struct SampleFigures {
    int hits = 0;
    int draws = 0;
    float accuracy = 0;
    ChanceFigures againstChance; // out-of-sample only
};

struct DiscoveredFormula {
    QString formula; // code text, as add-formula takes it
    SampleFigures inSample;
    SampleFigures outOfSample;
};

struct DiscoveryReport {
    DiscoveryRequest request;
    int tried = 0; // candidates judged: the request's count unless cancelled
    bool cancelled = false;
    double chance = 0; // mean out-of-sample accuracy of every candidate tried
    double seconds = 0;
    QList<DiscoveredFormula> formulas; // the best in-sample first, ties in the order tried
};

// The search for formulas: candidates are judged on the history without its newest draws (in-sample,
// exactly as the formula list would judge them on that shorter history) and ranked by that record;
// each is also judged on the held-out draws by the back-test over the whole history (out-of-sample,
// as the list shows it once the formula is added). Only the running best are kept, and the
// candidates are shared out over every core.
class FormulaDiscovery {
public:
    // The history and number model as the session holds them.
    FormulaDiscovery(const NumberModel& model, const std::vector<DrawValues>& draws);

    // Why the request cannot be searched on this history; success when it can.
    Result<void> check(const DiscoveryRequest& request) const;
    // Runs the search. When cancel becomes true the search stops within a few candidates and reports
    // what it judged so far.
    Result<DiscoveryReport> run(const DiscoveryRequest& request, const std::atomic<bool>* cancel = nullptr,
                                const ProgressFn& progress = {}) const;

    // Figures of hits over a number of judged draws, with the list's arithmetic.
    static SampleFigures figures(int kind, bool kill, int hits, int draws);
    // The honest words every output carries.
    static QString caution(const DiscoveryReport& report);

private:
    NumberModel m_model;
    std::vector<DrawValues> m_draws;
};

} // namespace talven
