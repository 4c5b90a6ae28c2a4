#include "SelectionBacktest.h"

#include "common/FormulaKind.h"
#include "common/Parallel.h"
#include "evaluation/RunningFigures.h"
#include "prediction/ErrorValuePredictor.h"

#include <algorithm>
#include <cmath>
#include <mutex>

using namespace Qt::StringLiterals;

namespace talven {

namespace {

const int specialColumn = DrawColumns::attribute('L', 7, 'A');

// The year of every draw, as the back-test judges it: the period's first four digits.
std::vector<int> yearsOf(const BacktestEngine& engine) {
    std::vector<int> years;
    for (double period : engine.columns()[DrawColumns::QQH])
        years.push_back(static_cast<int>(period) / 1000);
    return years;
}

std::vector<char> formulasTakingPart(const BacktestEngine& engine, const SelectionBacktestRequest& request) {
    const int count = engine.formulaCount();
    std::vector<char> part(static_cast<size_t>(count), 0);
    using Mode = SelectionBacktestRequest::Mode;
    if (request.mode == Mode::Fixed) {
        for (int f = 0; f < count && f < static_cast<int>(request.selection.size()); ++f)
            part[static_cast<size_t>(f)] = request.selection[static_cast<size_t>(f)];
    } else if (request.ordinals) {
        for (int ordinal : *request.ordinals)
            if (ordinal >= 1 && ordinal <= count)
                part[static_cast<size_t>(ordinal - 1)] = 1;
    } else {
        std::fill(part.begin(), part.end(), 1);
    }
    if (request.kindFilter)
        for (int f = 0; f < count; ++f)
            if (engine.formula(f).kind != *request.kindFilter)
                part[static_cast<size_t>(f)] = 0;
    return part;
}

// One formula's part in a run: whether it is selected at each judged draw, asked in draw order.
class FormulaWalk {
public:
    // years: the year of every draw of the history.
    FormulaWalk(const BacktestEngine& engine, const SelectionBacktestRequest& request,
                const std::vector<int>& years, int formula, bool takesPart)
        : m_engine(engine), m_request(request), m_years(years), m_formula(formula), m_takesPart(takesPart),
          m_withoutZ(request.criteria) {
        const FormulaDefinition& d = engine.formula(formula);
        m_withoutZ.z.reset();
        if (takesPart && request.mode == SelectionBacktestRequest::Mode::WalkForward)
            m_running.emplace(d.kind, d.kill, engine.rules().largestNumber(),
                              request.criteria.recent ? request.criteria.recent->window : 0);
    }

    // t: a judged draw, never smaller than at the call before.
    bool selectedAt(int t) {
        if (!m_takesPart)
            return false;
        if (!m_running)
            return true;
        // The figures of the history cut after draw t - 1.
        for (; m_fed < t; ++m_fed)
            feed(m_fed);
        const FormulaFilter::Criteria& c = m_request.criteria;
        // The z-score range comes last: its square root is only worked out for formulas still in.
        if (!FormulaFilter::passes(m_withoutZ, m_running->figures(),
                                   c.recent ? m_running->recent().accuracy : 0.0f, std::nullopt))
            return false;
        return !c.z || FormulaFilter::inZRange(m_running->againstChance().z, *c.z);
    }

private:
    void feed(int d) {
        const FormulaResult& r = m_engine.result(m_formula);
        const bool hit = static_cast<size_t>(d) < r.hits.size() && r.hits[static_cast<size_t>(d)] != 0;
        int winning = 0;
        // Only the z-score range reads the chance sums.
        if (d > 0 && m_request.criteria.z) {
            const FormulaDefinition& def = m_engine.formula(m_formula);
            // The prediction the back-test judged at draw d, unless it was too large to keep.
            const std::uint8_t code =
                static_cast<size_t>(d) < r.predicted.size() ? r.predicted[static_cast<size_t>(d)] : 0;
            winning = code != 0
                          ? m_engine.rules().winningCount(def.kind, def.kill,
                                                          BacktestEngine::unpackPrediction(code),
                                                          m_years[static_cast<size_t>(d)])
                          : m_engine.winningAt(def.kind, def.kill, m_engine.parameter(m_formula, d - 1), d);
        }
        m_running->add(hit, winning);
    }

    const BacktestEngine& m_engine;
    const SelectionBacktestRequest& m_request;
    const std::vector<int>& m_years;
    int m_formula;
    bool m_takesPart;
    FormulaFilter::Criteria m_withoutZ;
    std::optional<RunningFigures> m_running;
    int m_fed = 0;
};

// The numbers one formula rules out for a draw, exactly as the predictor counts them. They depend
// only on the kind, the sense and the prediction, so each is worked out once and then looked up.
class RuledOutLookup {
public:
    RuledOutLookup(const ErrorValuePredictor& predictor, int largest)
        : m_predictor(predictor), m_largest(largest),
          m_known(static_cast<size_t>(FormulaKindCount) * 2 * 256, 0),
          m_counts(m_known.size() * static_cast<size_t>(largest), 0),
          m_scratch(static_cast<size_t>(largest)) {}

    // One count per number 1..N; null when the formula has no value for the draw. code: the
    // prediction the back-test judged at the draw, as it keeps it.
    const int* ruledOut(const FormulaDefinition& formula, std::uint8_t code, double parameter,
                        int judgedYear) {
        if (!isFormulaKind(formula.kind) || !std::isfinite(parameter))
            return nullptr;
        if (code == 0) {
            // No prediction, or one too large to keep: worked out each time.
            if (!m_predictor.rules().predict(formula.kind, parameter, judgedYear).valid)
                return nullptr;
            return countInto(m_scratch.data(), formula, parameter, judgedYear);
        }
        const size_t slot = (static_cast<size_t>(formula.kind) * 2 + (formula.kill ? 1 : 0)) * 256 + code;
        int* counts = m_counts.data() + slot * static_cast<size_t>(m_largest);
        if (!m_known[slot]) {
            countInto(counts, formula, parameter, judgedYear);
            m_known[slot] = 1;
        }
        return counts;
    }

private:
    const int* countInto(int* counts, const FormulaDefinition& formula, double parameter,
                         int judgedYear) const {
        ErrorValueTable table = emptyErrorValues(m_largest);
        m_predictor.addFormula(table, {formula.kind, formula.kill}, parameter, judgedYear);
        for (int i = 0; i < m_largest; ++i)
            counts[i] = table[i].ruledOut;
        return counts;
    }

    const ErrorValuePredictor& m_predictor;
    int m_largest;
    std::vector<char> m_known;
    std::vector<int> m_counts;
    std::vector<int> m_scratch;
};

// What the selected formulas add up to at each draw of the window.
struct WindowTotals {
    WindowTotals(int draws, int largest)
        : values(static_cast<size_t>(draws) * static_cast<size_t>(largest), 0),
          selected(static_cast<size_t>(draws), 0), withValue(static_cast<size_t>(draws), 0) {}
    void add(const WindowTotals& other) {
        std::transform(values.begin(), values.end(), other.values.begin(), values.begin(), std::plus<>());
        std::transform(selected.begin(), selected.end(), other.selected.begin(), selected.begin(),
                       std::plus<>());
        std::transform(withValue.begin(), withValue.end(), other.withValue.begin(), withValue.begin(),
                       std::plus<>());
    }
    std::vector<int> values; // ruled-out counts, draw-major
    std::vector<int> selected;
    std::vector<int> withValue;
};

SelectionDrawRow rowOf(const int* values, int largest, int special) {
    SelectionDrawRow row;
    row.special = special;
    row.errorValue = values[special - 1];
    int lower = 0, tied = 0;
    for (int i = 0; i < largest; ++i) {
        lower += values[i] < row.errorValue;
        tied += values[i] == row.errorValue;
        row.keptCount += values[i] == 0;
    }
    row.tied = tied;
    row.rank = lower + (tied + 1) / 2.0;
    row.hit = row.errorValue == 0;
    return row;
}

// The share of the special number's tied places that lie among the `places` lowest.
double shareWithin(const SelectionDrawRow& row, int places) {
    const int tied = std::max(1, row.tied);
    // The tied places run from lower + 1 to lower + tied; rank is their mean.
    const auto lower = static_cast<int>(std::lround(row.rank - (tied + 1) / 2.0));
    return double(std::clamp(places - lower, 0, tied)) / tied;
}

} // namespace

SelectionBacktest::SelectionBacktest(const BacktestEngine& engine) : m_engine(engine) {}

std::vector<bool> SelectionBacktest::selectionAt(const SelectionBacktestRequest& request, int draw) const {
    const std::vector<char> part = formulasTakingPart(m_engine, request);
    const std::vector<int> years = yearsOf(m_engine);
    draw = std::clamp(draw, 0, m_engine.drawCount());
    std::vector<bool> selected(part.size(), false);
    for (int f = 0; f < m_engine.formulaCount(); ++f)
        selected[static_cast<size_t>(f)] =
            FormulaWalk(m_engine, request, years, f, part[static_cast<size_t>(f)]).selectedAt(draw);
    return selected;
}

Result<SelectionBacktestReport> SelectionBacktest::run(const SelectionBacktestRequest& request,
                                                       const std::atomic<bool>* cancel,
                                                       const ProgressFn& progress) const {
    const int drawCount = m_engine.drawCount();
    if (drawCount < 2)
        return Error{u"历史记录不足两期，没有可以验算的期数"_s, ErrorCode::Empty};
    if (request.last && *request.last < 1)
        return Error{u"验算的期数必须至少是 1"_s};
    const int largest = m_engine.rules().largestNumber();
    const int first = request.last ? std::max(1, drawCount - *request.last) : 1;
    const int window = drawCount - first;
    const std::vector<double>& periods = m_engine.columns()[DrawColumns::QQH];
    const std::vector<int> years = yearsOf(m_engine);

    const ErrorValuePredictor predictor(m_engine.rules());
    const std::vector<char> part = formulasTakingPart(m_engine, request);
    const int formulas = m_engine.formulaCount();
    const auto cancelled = [cancel] { return cancel && cancel->load(std::memory_order_relaxed); };
    constexpr int block = 8;
    std::atomic<int> next = 0, done = 0;
    std::mutex merging;
    WindowTotals totals(window, largest);

    Parallel::onEveryThread([&] {
        WindowTotals mine(window, largest);
        RuledOutLookup lookup(predictor, largest);
        for (int from = next.fetch_add(block); from < formulas && !cancelled();
             from = next.fetch_add(block)) {
            const int to = std::min(formulas, from + block);
            for (int f = from; f < to; ++f) {
                if (!part[static_cast<size_t>(f)])
                    continue;
                const FormulaDefinition& definition = m_engine.formula(f);
                const std::vector<double>& parameters = m_engine.result(f).parameters;
                const std::vector<std::uint8_t>& predicted = m_engine.result(f).predicted;
                FormulaWalk walk(m_engine, request, years, f, true);
                for (int i = 0; i < window; ++i) {
                    const int t = first + i;
                    if (!walk.selectedAt(t))
                        continue;
                    ++mine.selected[static_cast<size_t>(i)];
                    // Verification right after draw t - 1: that draw's parameter, draw t's year.
                    const double p = static_cast<size_t>(t - 1) < parameters.size()
                                         ? parameters[static_cast<size_t>(t - 1)]
                                         : std::nan("");
                    const std::uint8_t code =
                        static_cast<size_t>(t) < predicted.size() ? predicted[static_cast<size_t>(t)] : 0;
                    const int* ruledOut = lookup.ruledOut(definition, code, p, years[static_cast<size_t>(t)]);
                    if (!ruledOut)
                        continue;
                    ++mine.withValue[static_cast<size_t>(i)];
                    int* values = mine.values.data() + static_cast<size_t>(i) * static_cast<size_t>(largest);
                    for (int n = 0; n < largest; ++n)
                        values[n] += ruledOut[n];
                }
            }
            const int finished = done.fetch_add(to - from) + (to - from);
            if (progress)
                progress(double(finished) / formulas, u"组合验算 %1/%2"_s.arg(finished).arg(formulas));
        }
        const std::lock_guard lock(merging);
        totals.add(mine);
    });

    SelectionBacktestReport report;
    report.largestNumber = largest;
    if (cancelled() && done.load() < formulas) {
        report.cancelled = true;
        return report;
    }
    const std::vector<double>& specials = m_engine.columns()[specialColumn];
    for (int i = 0; i < window; ++i) {
        const size_t at = static_cast<size_t>(i);
        const int t = first + i;
        const int period = static_cast<int>(periods[static_cast<size_t>(t)]);
        const double special = specials[static_cast<size_t>(t)];
        if (totals.withValue[at] == 0 || !(special >= 1 && special <= largest)) {
            report.skipped.push_back({period, totals.selected[at]});
            continue;
        }
        SelectionDrawRow row = rowOf(totals.values.data() + at * static_cast<size_t>(largest), largest,
                                     static_cast<int>(special));
        row.draw = t;
        row.period = period;
        row.selected = totals.selected[at];
        report.rows.push_back(row);
    }
    report.summary = summarize(report.rows, largest);
    return report;
}

SelectionSummary SelectionBacktest::summarize(const std::vector<SelectionDrawRow>& rows, int largestNumber) {
    SelectionSummary s;
    if (largestNumber < 1)
        return s;
    const double n = largestNumber;
    s.top5Chance = std::min(5.0, n) / n * 100.0;
    s.top10Chance = std::min(10.0, n) / n * 100.0;
    if (rows.empty())
        return s;
    // The kept set's share is a formula's chance: the numbers that would have made it right.
    ChanceSums sums{largestNumber};
    double percentiles = 0, top5 = 0, top10 = 0, kept = 0;
    int emptyKept = 0;
    for (const SelectionDrawRow& row : rows) {
        s.hits += row.hit;
        sums.add(row.keptCount);
        kept += row.keptCount;
        emptyKept += row.keptCount == 0;
        percentiles += largestNumber > 1 ? (row.rank - 1) / (n - 1) * 100.0 : 50.0;
        top5 += shareWithin(row, 5);
        top10 += shareWithin(row, 10);
    }
    s.draws = static_cast<int>(rows.size());
    s.againstChance = chanceFigures(sums, s.hits);
    s.rankPercentile = percentiles / s.draws;
    s.top5 = top5 / s.draws * 100.0;
    s.top10 = top10 / s.draws * 100.0;
    s.meanKept = kept / s.draws;
    s.keptMostlyEmpty = emptyKept * 2 > s.draws;
    return s;
}

} // namespace talven
