#pragma once

#include "common/Progress.h"
#include "evaluation/ColumnEvaluator.h"
#include "evaluation/FormulaStatistics.h"
#include "evaluation/KindRules.h"
#include "formula/Expression.h"

#include <QList>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

namespace talven {

// A stored formula as the back-test reads it.
struct FormulaDefinition {
    QString code;      // code expression (gongshi)
    int kind = 0;      // maType
    bool kill = false; // bolKill; an empty flag is a keep formula
};

// What the back-test keeps per formula. Draw index d runs over the history, oldest first.
struct FormulaResult {
    std::vector<double> parameters; // parameter of draw d; NaN when empty
    std::vector<std::uint8_t> hits; // 1 when the formula was right at draw d (in its own sense)
    // The prediction judged at draw d in one byte: 0 none, else 1 + value * 2 + parity.
    std::vector<std::uint8_t> predicted;
    QString error;       // why no parameter could be computed; empty when fine
    KindPrediction next; // prediction for the draw after the newest
    QString nextText;    // 下期结果 words of that prediction
    FormulaFigures figures;
    ChanceSums chance; // over the judged draws: every draw but the first

    ChanceFigures againstChance() const { return chanceFigures(chance, figures.hits); }
};

// The back-test over an in-memory history: every formula's parameter on every draw, the
// prediction for the following draw, its judgement by the kind's rule, and the statistics.
// Formulas are addressed by their 0-based position in Idx order (ordinal - 1).
class BacktestEngine {
public:
    explicit BacktestEngine(const NumberModel& model);
    // A copy keeps room for appended draws, as the original has, so that the first draw stored
    // after a change on a copy does not move every formula's rows.
    BacktestEngine(const BacktestEngine& other);
    BacktestEngine& operator=(const BacktestEngine& other);

    const KindRules& rules() const { return m_rules; }
    // New codes and tables (options changed, a new current year); run() applies them.
    void setModel(const NumberModel& model);

    // Replaces the history; all results are dropped until the next run().
    void setHistory(const std::vector<DrawValues>& draws);
    int drawCount() const { return m_drawCount; }
    const HistoryColumns& columns() const { return m_columns; }

    // Replaces the formulas; their results stay empty until the next run().
    void setFormulas(const QList<FormulaDefinition>& formulas);
    int formulaCount() const { return static_cast<int>(m_formulas.size()); }
    const FormulaDefinition& formula(int index) const {
        return m_formulas[static_cast<size_t>(index)].definition;
    }
    const FormulaResult& result(int index) const { return m_formulas[static_cast<size_t>(index)].result; }

    // Full back-test of every formula over the whole history, statistics included.
    void run(const ProgressFn& progress = {});
    // Appends the newest draw and computes only its row: each formula's parameter on it and its
    // judgement from the previous parameter; the statistics follow.
    void appendDraw(const DrawValues& draw);
    // Drops the newest draw and its row of every formula.
    void removeLastDraw();
    // Appends a formula and back-tests it alone.
    void addFormula(const FormulaDefinition& formula);
    // What a formula would get over the history, without adding it.
    FormulaResult trial(const FormulaDefinition& formula) const;
    // Removes formulas by position; the others keep their results and move up.
    void removeFormulas(QList<int> indexes);
    // The statistics pass alone, over the hit flags as they are.
    void computeStatistics();

    // Parameter of a formula on a draw (NaN when empty or out of range).
    double parameter(int formula, int draw) const;
    // Whether a formula of this kind and sense is right at draw d (1 .. drawCount - 1) with the
    // previous draw's parameter: the judgement of run(), for parameters computed elsewhere; and how
    // many of the numbers 1..N would make it right as draw d's special number.
    struct Judgement {
        bool right = false;
        int winning = 0;
    };
    Judgement judgementAt(int kind, bool kill, double previousParameter, int draw) const {
        const auto d = static_cast<size_t>(draw);
        const KindPrediction p = m_rules.predict(kind, previousParameter, m_years[d]);
        return {m_rules.right(kind, kill, p, m_specials[d]), m_rules.winningCount(kind, kill, p, m_years[d])};
    }
    int winningAt(int kind, bool kill, double previousParameter, int draw) const {
        return judgementAt(kind, kill, previousParameter, draw).winning;
    }
    // A prediction packed as in FormulaResult::predicted; values outside 0..99 cannot be packed.
    static std::uint8_t packPrediction(const KindPrediction& p);
    static KindPrediction unpackPrediction(std::uint8_t code);

private:
    struct Entry {
        FormulaDefinition definition;
        std::shared_ptr<const ExprNode> tree; // null when the code does not parse; shared by copies
        QString parseError;
        FormulaResult result;
    };

    Entry compile(const FormulaDefinition& definition) const;
    void evaluate(Entry& e) const;
    void judge(Entry& e, int from) const;
    void updateNext(Entry& e) const;
    int nextYear() const;
    void pushDrawColumns(const DrawValues& draw);
    template <typename Fn>
    void forEachFormula(Fn fn);

    KindRules m_rules;
    HistoryColumns m_columns;
    int m_drawCount = 0;
    std::vector<int> m_years;              // year of each draw (QQH \ 1000)
    std::vector<SpecialNumber> m_specials; // L7A..L7D of each draw
    std::vector<Entry> m_formulas;
};

} // namespace talven
