#include "BacktestEngine.h"

#include "common/Parallel.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>

namespace talven {

namespace {

constexpr double Empty = std::numeric_limits<double>::quiet_NaN();
constexpr size_t AppendReserve = 64;

} // namespace

BacktestEngine::BacktestEngine(const NumberModel& model) : m_rules(model) {}

namespace {

template <typename T>
std::vector<T> copyWithRoom(const std::vector<T>& from) {
    std::vector<T> to;
    to.reserve(from.size() + AppendReserve);
    to.assign(from.begin(), from.end());
    return to;
}

} // namespace

BacktestEngine::BacktestEngine(const BacktestEngine& other) : m_rules(other.m_rules) {
    *this = other;
}

BacktestEngine& BacktestEngine::operator=(const BacktestEngine& other) {
    if (this == &other)
        return *this;
    m_rules = other.m_rules;
    for (size_t c = 0; c < m_columns.size(); ++c)
        m_columns[c] = copyWithRoom(other.m_columns[c]);
    m_drawCount = other.m_drawCount;
    m_years = copyWithRoom(other.m_years);
    m_specials = copyWithRoom(other.m_specials);
    m_formulas.clear();
    m_formulas.reserve(other.m_formulas.size());
    for (const Entry& e : other.m_formulas) {
        Entry copy{e.definition, e.tree, e.parseError, {}};
        copy.result.parameters = copyWithRoom(e.result.parameters);
        copy.result.hits = copyWithRoom(e.result.hits);
        copy.result.predicted = copyWithRoom(e.result.predicted);
        copy.result.error = e.result.error;
        copy.result.next = e.result.next;
        copy.result.nextText = e.result.nextText;
        copy.result.figures = e.result.figures;
        copy.result.chance = e.result.chance;
        m_formulas.push_back(std::move(copy));
    }
    return *this;
}

// Formulas are independent of each other, so a long list is shared out over the processor cores;
// the call still returns only when every formula is done.
template <typename Fn>
void BacktestEngine::forEachFormula(Fn fn) {
    Parallel::forEach(m_formulas, fn);
}

void BacktestEngine::setModel(const NumberModel& model) {
    m_rules = KindRules(model);
}

void BacktestEngine::pushDrawColumns(const DrawValues& draw) {
    for (int c = 0; c < DrawColumns::Count; ++c)
        m_columns[static_cast<size_t>(c)].push_back(static_cast<double>(draw[static_cast<size_t>(c)]));
    m_years.push_back(draw[DrawColumns::QQH] / 1000);
    m_specials.push_back(
        {draw[DrawColumns::attribute('L', 7, 'A')], draw[DrawColumns::attribute('L', 7, 'B')],
         draw[DrawColumns::attribute('L', 7, 'C')], draw[DrawColumns::attribute('L', 7, 'D')]});
    ++m_drawCount;
}

void BacktestEngine::setHistory(const std::vector<DrawValues>& draws) {
    for (auto& column : m_columns) {
        column.clear();
        column.reserve(draws.size() + 1);
    }
    m_years.clear();
    m_specials.clear();
    m_drawCount = 0;
    for (const DrawValues& d : draws)
        pushDrawColumns(d);
    for (Entry& e : m_formulas)
        e.result = {};
}

BacktestEngine::Entry BacktestEngine::compile(const FormulaDefinition& definition) const {
    Entry e;
    e.definition = definition;
    auto parsed = parseExpression(definition.code);
    if (parsed)
        e.tree = parsed.value();
    else
        e.parseError = parsed.message();
    return e;
}

void BacktestEngine::setFormulas(const QList<FormulaDefinition>& formulas) {
    m_formulas.clear();
    m_formulas.reserve(static_cast<size_t>(formulas.size()));
    for (const FormulaDefinition& f : formulas)
        m_formulas.push_back(compile(f));
}

int BacktestEngine::nextYear() const {
    if (m_rules.model().hasCurrentYear())
        return m_rules.model().currentYear();
    return m_drawCount > 0 ? m_years.back() : 0;
}

void BacktestEngine::updateNext(Entry& e) const {
    const double p = m_drawCount > 0 ? e.result.parameters.back() : Empty;
    e.result.next = m_rules.predict(e.definition.kind, p, nextYear());
    e.result.nextText = m_rules.resultText(e.definition.kind, e.result.next);
}

void BacktestEngine::judge(Entry& e, int from) const {
    FormulaResult& r = e.result;
    const int kind = e.definition.kind;
    const bool kill = e.definition.kill;
    r.predicted.resize(r.hits.size());
    if (from == 0)
        r.chance = {m_rules.largestNumber()};
    if (from == 0 && m_drawCount > 0) {
        r.hits[0] = 0; // the first draw has no previous parameter
        r.predicted[0] = 0;
        from = 1;
    }
    for (int d = from; d < m_drawCount; ++d) {
        const size_t i = static_cast<size_t>(d);
        const KindPrediction p = m_rules.predict(kind, r.parameters[i - 1], m_years[i]);
        r.hits[i] = m_rules.right(kind, kill, p, m_specials[i]) ? 1 : 0;
        r.predicted[i] = packPrediction(p);
        r.chance.add(m_rules.winningCount(kind, kill, p, m_years[i]));
    }
}

void BacktestEngine::evaluate(Entry& e) const {
    FormulaResult& r = e.result;
    const size_t n = static_cast<size_t>(m_drawCount);
    // Room for appended draws, so that each one does not copy every formula's rows.
    r.parameters.reserve(n + AppendReserve);
    r.hits.reserve(n + AppendReserve);
    r.predicted.reserve(n + AppendReserve);
    r.parameters.assign(n, Empty);
    r.hits.assign(n, 0);
    if (!e.tree) {
        r.error = e.parseError;
    } else {
        const auto evaluated =
            ColumnEvaluator(m_columns).evaluate(*e.tree, 0, m_drawCount, r.parameters.data());
        r.error = evaluated ? QString() : evaluated.message();
        // A formula that fails on any draw has no parameters at all, so every draw is a miss.
        if (!evaluated)
            r.parameters.assign(n, Empty);
    }
    judge(e, 0);
    updateNext(e);
    r.figures = figuresOf(r.hits, e.definition.kind, e.definition.kill);
}

void BacktestEngine::run(const ProgressFn& progress) {
    if (!progress) {
        forEachFormula([this](Entry& e) { evaluate(e); });
        return;
    }
    const int total = formulaCount();
    const int step = std::max(1, total / 64);
    std::atomic<int> done = 0;
    forEachFormula([&](Entry& e) {
        evaluate(e);
        const int n = ++done;
        if (n % step == 0 || n == total)
            progress(double(n) / total, QStringLiteral("回测公式 %1/%2").arg(n).arg(total));
    });
}

void BacktestEngine::appendDraw(const DrawValues& draw) {
    pushDrawColumns(draw);
    const int d = m_drawCount - 1;
    const ColumnEvaluator evaluator(m_columns);
    for (Entry& e : m_formulas) {
        FormulaResult& r = e.result;
        if (r.parameters.size() + 1 != static_cast<size_t>(m_drawCount)) {
            evaluate(e); // never run on the earlier rows
            continue;
        }
        double p = Empty;
        if (e.tree && r.error.isEmpty()) {
            if (!evaluator.evaluate(*e.tree, d, 1, &p)) {
                // The formula no longer computes on the whole history: it fails as a whole.
                evaluate(e);
                continue;
            }
        }
        r.parameters.push_back(p);
        r.hits.push_back(0);
        judge(e, d);
        updateNext(e);
        r.figures.add(r.hits.back() != 0);
        r.figures.finish(e.definition.kind, e.definition.kill, m_drawCount);
    }
}

void BacktestEngine::removeLastDraw() {
    if (m_drawCount == 0)
        return;
    for (auto& column : m_columns)
        column.pop_back();
    const int removedYear = m_years.back();
    m_years.pop_back();
    m_specials.pop_back();
    --m_drawCount;
    for (Entry& e : m_formulas) {
        FormulaResult& r = e.result;
        if (!r.error.isEmpty() || r.parameters.size() != static_cast<size_t>(m_drawCount) + 1) {
            evaluate(e); // the dropped draw may have been the one it failed on
            continue;
        }
        if (m_drawCount > 0) { // the first draw was never judged
            const int kind = e.definition.kind;
            const double previous = r.parameters[static_cast<size_t>(m_drawCount) - 1];
            r.chance.remove(m_rules.winningCount(kind, e.definition.kill,
                                                 m_rules.predict(kind, previous, removedYear), removedYear));
        }
        r.parameters.pop_back();
        r.hits.pop_back();
        r.predicted.pop_back();
        updateNext(e);
        r.figures = figuresOf(r.hits, e.definition.kind, e.definition.kill);
    }
}

void BacktestEngine::addFormula(const FormulaDefinition& formula) {
    m_formulas.push_back(compile(formula));
    evaluate(m_formulas.back());
}

FormulaResult BacktestEngine::trial(const FormulaDefinition& formula) const {
    Entry e = compile(formula);
    evaluate(e);
    return std::move(e.result);
}

void BacktestEngine::removeFormulas(QList<int> indexes) {
    std::sort(indexes.begin(), indexes.end(), std::greater<>());
    indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
    for (int i : indexes)
        if (i >= 0 && i < formulaCount())
            m_formulas.erase(m_formulas.begin() + i);
}

void BacktestEngine::computeStatistics() {
    forEachFormula(
        [](Entry& e) { e.result.figures = figuresOf(e.result.hits, e.definition.kind, e.definition.kill); });
}

double BacktestEngine::parameter(int formula, int draw) const {
    if (formula < 0 || formula >= formulaCount())
        return Empty;
    const std::vector<double>& p = m_formulas[static_cast<size_t>(formula)].result.parameters;
    return draw >= 0 && static_cast<size_t>(draw) < p.size() ? p[static_cast<size_t>(draw)] : Empty;
}

std::uint8_t BacktestEngine::packPrediction(const KindPrediction& p) {
    if (!p.valid || p.value < 0 || p.value > 99 || p.parity < 0 || p.parity > 1)
        return 0;
    return static_cast<std::uint8_t>(1 + p.value * 2 + p.parity);
}

KindPrediction BacktestEngine::unpackPrediction(std::uint8_t code) {
    if (code == 0)
        return {};
    return {true, (code - 1) / 2, (code - 1) % 2};
}

} // namespace talven
