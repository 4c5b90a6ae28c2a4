#include "FormulaDiscovery.h"

#include "common/FormulaKind.h"
#include "common/Parallel.h"
#include "discovery/CandidateGenerator.h"
#include "evaluation/ColumnEvaluator.h"
#include "evaluation/FormulaStatistics.h"
#include "evaluation/Rounding.h"
#include "formula/Expression.h"
#include "formula/FormulaInput.h"

#include <QElapsedTimer>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <optional>

using namespace Qt::StringLiterals;

namespace talven {

namespace {

// The fewest draws a search judges in-sample.
constexpr int MinInSampleDraws = 2;
// Positions judged between two looks at the results; each worker takes a few at a time.
constexpr int MaxBatch = 4096;
constexpr int Chunk = 8;
constexpr qint64 ReportInterval = 100'000'000; // ns between progress reports within a batch

// What one position of the candidate sequence came to.
struct Outcome {
    enum class State : std::uint8_t { Pending, None, Judged } state = State::Pending;
    int inHits = 0;
    int outHits = 0;
    ChanceSums outChance;
    QString formula;
};

// Column indexes a tree reads.
void collectColumns(const ExprNode& n, std::vector<int>& out) {
    if (n.kind == ExprNode::Kind::Column)
        out.push_back(n.column);
    if (n.lhs)
        collectColumns(*n.lhs, out);
    if (n.rhs)
        collectColumns(*n.rhs, out);
}

// The engine's judgement of every draw for each remainder of the rounded parameter by the kind's
// period, and how many numbers would have made it right, so that judging a candidate's draws is a
// look-up per draw.
class HitTable {
public:
    HitTable(const BacktestEngine& engine, int kind, bool kill)
        : m_period(engine.rules().period(kind)), m_largest(engine.rules().largestNumber()) {
        m_right.assign(static_cast<size_t>(engine.drawCount()) * static_cast<size_t>(m_period), 0);
        m_wins.assign(m_right.size(), 0);
        for (int d = 1; d < engine.drawCount(); ++d)
            for (int r = 0; r < m_period; ++r) {
                const size_t at =
                    static_cast<size_t>(d) * static_cast<size_t>(m_period) + static_cast<size_t>(r);
                const BacktestEngine::Judgement j = engine.judgementAt(kind, kill, r, d);
                m_right[at] = j.right;
                m_wins[at] = static_cast<std::uint16_t>(j.winning);
            }
    }

    // What chance gives the predictions judged at draws first .. last - 1.
    ChanceSums chance(const double* parameters, int first, int last) const {
        ChanceSums sums{m_largest};
        for (int d = first; d < last; ++d) {
            const std::optional<size_t> at = cell(parameters, d);
            sums.add(at ? m_wins[*at] : 0);
        }
        return sums;
    }

    // Hits at draws first .. last - 1, each judged by the parameter of the draw before.
    int hits(const double* parameters, int first, int last) const {
        int n = 0;
        for (int d = first; d < last; ++d)
            if (const std::optional<size_t> at = cell(parameters, d))
                n += m_right[*at];
        return n;
    }

private:
    // The entry of draw d for the parameter of the draw before; none for an empty or infinite
    // parameter, which predicts nothing and is never right.
    std::optional<size_t> cell(const double* parameters, int d) const {
        const double p = parameters[d - 1];
        if (!std::isfinite(p))
            return std::nullopt;
        return static_cast<size_t>(d) * static_cast<size_t>(m_period) +
               static_cast<size_t>(wholeRemainder(roundHalfEven(p), m_period));
    }

    int m_period;
    int m_largest;
    std::vector<std::uint8_t> m_right;
    std::vector<std::uint16_t> m_wins;
};

// The two back-tests of a search and the judging of one candidate on them.
class Judge {
public:
    Judge(const NumberModel& model, const std::vector<DrawValues>& draws, const DiscoveryRequest& request)
        : m_whole(model), m_inSample(model) {
        m_total = static_cast<int>(draws.size());
        m_inCount = m_total - request.holdout;
        // The history cut before the held-out draws, as a session holding only it would compute it:
        // another newest draw may mean another current year, and the last row describes a next draw.
        std::vector<DrawValues> cut(draws.begin(), draws.begin() + m_inCount);
        const NumberModel cutModel(model.options(), currentYearOf(cut));
        cut = computeDraws(cutModel, cut);
        m_inSample = BacktestEngine(cutModel);
        m_inSample.setHistory(cut);
        m_whole.setHistory(draws);
        m_inSampleHits.emplace(m_inSample, request.kind, request.kill);
        m_wholeHits.emplace(m_whole, request.kind, request.kill);
        // Where each column of the whole history first differs from the cut one. Rows before that
        // compute the same on both, so the whole history needs evaluating from there on only.
        m_firstDifference.assign(DrawColumns::Count, m_inCount - 1);
        for (int c = 0; c < DrawColumns::Count; ++c) {
            const auto& a = m_inSample.columns()[static_cast<size_t>(c)];
            const auto& b = m_whole.columns()[static_cast<size_t>(c)];
            for (int d = 0; d < m_inCount - 1; ++d)
                if (a[static_cast<size_t>(d)] != b[static_cast<size_t>(d)]) {
                    m_firstDifference[static_cast<size_t>(c)] = d;
                    break;
                }
        }
    }

    int inCount() const { return m_inCount; }

    // Judges one candidate text; false when it is no candidate (it does not translate, or fails on
    // the in-sample history, where a failure leaves the list no parameter at all).
    bool judge(const QString& text, std::vector<double>& scratch, Outcome& out) const {
        const auto code = FormulaInput::translateTyped(text);
        if (!code)
            return false;
        const auto tree = parseExpression(code.value());
        if (!tree)
            return false;
        const ExprNode& root = *tree.value();
        scratch.resize(static_cast<size_t>(m_total));
        double* p = scratch.data();
        if (!ColumnEvaluator(m_inSample.columns()).evaluate(root, 0, m_inCount, p))
            return false;
        const int inHits = m_inSampleHits->hits(p, 1, m_inCount);
        // Out-of-sample: the whole history's back-test, whose first held-out prediction comes from
        // the last in-sample draw. A failure anywhere leaves every draw a miss, as in the list.
        std::vector<int> columns;
        collectColumns(root, columns);
        int from = m_inCount - 1;
        for (int c : columns)
            if (c >= 0 && c < DrawColumns::Count)
                from = std::min(from, m_firstDifference[static_cast<size_t>(c)]);
        int outHits = 0;
        if (ColumnEvaluator(m_whole.columns()).evaluate(root, from, m_total - from, p + from)) {
            outHits = m_wholeHits->hits(p, m_inCount, m_total);
            out.outChance = m_wholeHits->chance(p, m_inCount, m_total);
        } else {
            // Every held-out draw judged without a prediction.
            out.outChance = {m_whole.rules().largestNumber(), m_total - m_inCount};
        }
        out.inHits = inHits;
        out.outHits = outHits;
        out.formula = text;
        return true;
    }

private:
    int m_total = 0;
    int m_inCount = 0;
    BacktestEngine m_whole;
    BacktestEngine m_inSample;
    std::vector<int> m_firstDifference;
    std::optional<HitTable> m_inSampleHits;
    std::optional<HitTable> m_wholeHits;
};

} // namespace

FormulaDiscovery::FormulaDiscovery(const NumberModel& model, const std::vector<DrawValues>& draws)
    : m_model(model), m_draws(draws) {}

Result<void> FormulaDiscovery::check(const DiscoveryRequest& r) const {
    if (!isFormulaKind(r.kind))
        return Error{u"公式种类必须是 0 到 15"_s};
    if (r.candidates < 1 || r.candidates > DiscoveryRequest::MaxCandidates)
        return Error{u"候选公式数必须在 1 到 %1 之间"_s.arg(DiscoveryRequest::MaxCandidates)};
    if (r.top < 1 || r.top > DiscoveryRequest::MaxTop)
        return Error{u"列出的公式数必须在 1 到 %1 之间"_s.arg(DiscoveryRequest::MaxTop)};
    const int draws = static_cast<int>(m_draws.size());
    if (draws < MinInSampleDraws + 1)
        return Error{u"历史号码只有 %1 期，至少要 %2 期才能挖掘公式"_s.arg(draws).arg(MinInSampleDraws + 1)};
    if (r.holdout < 1 || r.holdout > draws - MinInSampleDraws)
        return Error{u"留出的期数必须在 1 到 %1 之间（历史共 %2 期，样本内至少留 %3 期）"_s
                         .arg(draws - MinInSampleDraws)
                         .arg(draws)
                         .arg(MinInSampleDraws)};
    return {};
}

SampleFigures FormulaDiscovery::figures(int kind, bool kill, int hits, int draws) {
    FormulaFigures f;
    f.hits = hits;
    f.finish(kind, kill, draws);
    return {hits, draws, f.accuracy, {}};
}

QString FormulaDiscovery::caution(const DiscoveryReport& report) {
    const DiscoveryRequest& r = report.request;
    const QString chance = figureText(static_cast<float>(report.chance));
    QString text =
        u"过去的开奖不能预测未来的开奖。本次共试了 %1 条候选公式，按样本内的正确率挑出最好的 %2 条："
        u"从这么多公式里挑出的样本内最好成绩多半是运气，这些公式在新的开奖上预计会回落到随机水平附近"
        u"（全部候选公式在样本外的平均正确率为 %3%）。"
        u"样本外（最后 %4 期，没有参与挑选）的正确率才是它们在新开奖上的表现。"
        u"标准分是对的期数比随机预计的多出几个标准差；单条公式靠运气达到 3 的机会约为千分之一，"
        u"但在几千条候选公式里，总有一些单凭运气就达到 3。"_s.arg(report.tried)
            .arg(std::min(r.top, report.tried))
            .arg(chance)
            .arg(r.holdout);
    if (report.cancelled)
        text = u"挖掘已取消，只试了 %1 条候选公式。"_s.arg(report.tried) + text;
    return text;
}

Result<DiscoveryReport> FormulaDiscovery::run(const DiscoveryRequest& request,
                                              const std::atomic<bool>* cancel,
                                              const ProgressFn& progress) const {
    if (auto valid = check(request); !valid)
        return valid.error();
    QElapsedTimer timer;
    timer.start();
    const auto cancelled = [cancel] { return cancel && cancel->load(std::memory_order_relaxed); };
    const Judge judge(m_model, m_draws, request);
    const CandidateGenerator generator(request.seed);
    const std::int64_t positions = CandidateGenerator::positionCount();

    DiscoveryReport report;
    report.request = request;
    std::int64_t outHits = 0;
    std::vector<Outcome> batch;
    std::int64_t next = 0;
    std::atomic<qint64> lastReport = 0;
    while (report.tried < request.candidates && next < positions && !cancelled()) {
        // About two positions per candidate still wanted; a few more than needed cost little.
        const std::int64_t wanted = 2 * std::int64_t(request.candidates - report.tried) + 64;
        const int size = static_cast<int>(std::min({wanted, std::int64_t(MaxBatch), positions - next}));
        batch.assign(static_cast<size_t>(size), Outcome{});
        std::atomic<int> cursor = 0;
        std::atomic<int> judgedHere = 0;
        // A batch takes a while on a long history: the bar moves with the candidates judged in it,
        // one report per interval from whichever thread passes first.
        const auto reportWithin = [&] {
            const qint64 now = timer.nsecsElapsed();
            qint64 last = lastReport.load(std::memory_order_relaxed);
            if (now - last < ReportInterval || !lastReport.compare_exchange_strong(last, now))
                return;
            const int shown = report.tried + std::min(judgedHere.load(), request.candidates - report.tried);
            progress(double(shown) / request.candidates,
                     u"已试 %1/%2 条候选公式"_s.arg(shown).arg(request.candidates));
        };
        const auto work = [&] {
            std::vector<double> scratch;
            for (;;) {
                const int first = cursor.fetch_add(Chunk);
                if (first >= size)
                    return;
                for (int i = first; i < std::min(size, first + Chunk); ++i) {
                    if (cancelled())
                        return;
                    Outcome& o = batch[static_cast<size_t>(i)];
                    const QString text = generator.at(next + i);
                    o.state = !text.isEmpty() && judge.judge(text, scratch, o) ? Outcome::State::Judged
                                                                               : Outcome::State::None;
                    if (o.state == Outcome::State::Judged)
                        judgedHere.fetch_add(1, std::memory_order_relaxed);
                }
                if (progress)
                    reportWithin();
            }
        };
        Parallel::onEveryThread(work);

        // In the order of the sequence, so that the same seed always keeps the same candidates.
        for (Outcome& o : batch) {
            if (o.state == Outcome::State::Pending || report.tried == request.candidates)
                break;
            if (o.state == Outcome::State::None)
                continue;
            ++report.tried;
            outHits += o.outHits;
            auto& best = report.formulas;
            if (best.size() == request.top && o.inHits <= best.back().inSample.hits)
                continue;
            const auto at = std::find_if(best.begin(), best.end(), [&o](const DiscoveredFormula& f) {
                return f.inSample.hits < o.inHits;
            });
            SampleFigures outOfSample = figures(request.kind, request.kill, o.outHits, request.holdout);
            outOfSample.againstChance = chanceFigures(o.outChance, o.outHits);
            best.insert(at, {std::move(o.formula),
                             figures(request.kind, request.kill, o.inHits, judge.inCount()), outOfSample});
            if (best.size() > request.top)
                best.removeLast();
        }
        next += size;
        // A cancelled batch counts fewer than its threads reported: its end is the report's.
        if (progress && !cancelled())
            progress(double(report.tried) / request.candidates,
                     u"已试 %1/%2 条候选公式"_s.arg(report.tried).arg(request.candidates));
    }
    report.cancelled = cancelled() && report.tried < request.candidates;
    if (report.tried > 0)
        report.chance = double(outHits) / (double(report.tried) * request.holdout) * 100.0;
    report.seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    return report;
}

} // namespace talven
