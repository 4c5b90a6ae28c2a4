#pragma once

#include "common/FormulaKind.h"
#include "common/Options.h"
#include "common/Period.h"
#include "common/Progress.h"
#include "common/Result.h"
#include "evaluation/BacktestEngine.h"
#include "formula/FormulaRow.h"
#include "lottery/NumberModel.h"
#include "prediction/ErrorValues.h"
#include "store/HistoryTables.h"

#include <array>
#include <memory>
#include <optional>
#include <vector>

namespace talven {

class Database;

// What a formula typed but not yet added would be and get: its stored, folded and Chinese forms, or
// why it cannot be stored, and the back-test's figures with the kind and sense chosen.
struct FormulaPreview {
    QString text;    // as typed, which the refusal's position counts in
    QString code;    // the expression that would be stored; empty when the text is refused
    QString folded;  // as the list shows it
    QString chinese; // and in its Chinese form
    std::optional<Error> refusal;
    FormulaResult result;
    int draws = 0;
};

// Everything the program knows at one moment: options, number model, draws, formulas, selection,
// back-test results, and the copy of what the history tables hold. A long change works on a copy
// of it, so that the state the windows show stays whole until the new one replaces it.
class SessionState {
public:
    // Reads the formulas and the history tables (as one state of the file) and runs the whole
    // back-test under the options. A read that fails is an error, never an empty history.
    static Result<std::unique_ptr<SessionState>> load(Database& db, const Options& options,
                                                      const ProgressFn& progress = {});
    // The database read again under these options (after another program's change or a restore);
    // formulas that are still where they were keep their selection flag.
    Result<std::unique_ptr<SessionState>> readAgain(Database& db, const ProgressFn& progress = {}) const;

    const Options& options() const { return m_options; }
    const NumberModel& model() const { return m_model; }
    const std::vector<DrawValues>& draws() const { return m_draws; }
    const std::vector<FormulaRow>& formulas() const { return m_formulas; }
    const std::vector<bool>& selection() const { return m_selected; }
    // Formula ordinals 1..n; out of range is ignored.
    void select(int ordinal, bool selected);
    // False when the flags do not match the formulas.
    bool setSelection(const std::vector<bool>& selected);
    const BacktestEngine& engine() const { return m_engine; }
    // The period the next draw gets: the newest one's successor, or this year's first period
    // while the history is empty; invalid after the last seven-digit period.
    Period nextPeriod() const;
    int currentYear() const { return m_model.currentYear(); }
    // The newest draw's period and seven numbers as they were entered.
    std::optional<std::pair<Period, std::array<int, 7>>> newestDraw() const;
    // The SQLite data version the state was read at, to notice another program's changes.
    int dataVersion() const { return m_dataVersion; }

    // Back-test results and figures of formula ordinal 1..n.
    const FormulaResult& result(int ordinal) const { return m_engine.result(ordinal - 1); }
    // A formula's predicted value and hit flag at a draw, as the history tables hold them.
    const QString& resultText(int ordinal, int draw) const;
    bool resultHit(int ordinal, int draw) const;

    // The intents of the changes, in memory. Each renumbers the formulas and keeps the selection in
    // step, lets the number model follow the newest draw, recomputes every draw under it and runs as
    // much of the back-test as the intent needs (all of it when the current year or the options
    // changed); the caller stores the result.
    void replaceHistory(std::vector<DrawValues> draws, const ProgressFn& progress = {});
    void appendDraw(const DrawValues& draw, const ProgressFn& progress = {});
    void removeLastDraw(const ProgressFn& progress = {});
    // Newer draws after the present ones; only the first `count` draws stay.
    void appendDraws(const std::vector<DrawValues>& newer, const ProgressFn& progress = {});
    void keepDraws(size_t count, const ProgressFn& progress = {});
    // New formulas after the present ones, selected.
    void appendFormulas(const std::vector<FormulaRow>& rows, const ProgressFn& progress = {});
    // `at` counts from 0.
    void removeFormula(size_t at, const ProgressFn& progress = {});
    // At row.idx (1..n+1).
    void insertFormula(const FormulaRow& row, bool selected, const ProgressFn& progress = {});
    // Only the first `count` formulas stay.
    void keepFormulas(size_t count, const ProgressFn& progress = {});
    // Another text for the formula at `at` (from 0); its place, kind, sense and selection stay.
    void replaceFormula(size_t at, const QString& code, const ProgressFn& progress = {});
    void applyOptions(const Options& options, const ProgressFn& progress = {});
    void recompute(const ProgressFn& progress = {});

    // True when the database holds other rows or results than these.
    bool differsFromStored() const;
    // Writes into the database what differs from what it holds, inside the caller's transaction:
    // the formula table as the intents changed it, then the history tables. The one way a change
    // writes its data.
    Result<void> store(Database& db, const ProgressFn& progress = {});

    FormulaPreview preview(const QString& text, FormulaKind kind, bool kill) const;

    // Error values of the selected formulas for the next draw, or as they stood right after the
    // draw of a chosen period; with a kind filter only the formulas of that kind take part.
    Result<ErrorValueTable> errorValues(std::optional<Period> atPeriod,
                                        std::optional<FormulaKind> kindFilter) const;

private:
    // How much of the back-test a change redoes: what it did to the draws or formulas, or everything.
    enum class Scope { Full, AppendDraw, RemoveLastDraw, AddFormulas, RemoveFormula };

    explicit SessionState(const Options& options);
    void keepSelectionOf(const SessionState& before);
    void update(std::vector<DrawValues> draws, Scope scope, const ProgressFn& progress,
                int removedOrdinal = -1);
    void renumberFrom(size_t at);
    QList<FormulaDefinition> formulaDefinitions(size_t from) const;
    void runBacktest(Scope scope, int removedOrdinal, const ProgressFn& progress);
    quint16 valueTextId(int kind, std::uint8_t predicted);

    // A formula table change an intent made, waiting for store().
    struct FormulaEdit {
        enum class Op { Append, InsertAt, Remove, KeepFirst, Update } op;
        std::vector<FormulaRow> rows; // Append: the new rows; InsertAt, Update: the one row
        int idx = 0;                  // Remove: the formula number; KeepFirst: how many stay
    };
    Result<void> storeFormulaEdits(Database& db);

    Options m_options;
    NumberModel m_model;
    std::vector<FormulaEdit> m_formulaEdits;
    std::vector<DrawValues> m_draws;
    std::vector<FormulaRow> m_formulas;
    std::vector<bool> m_selected; // by ordinal - 1
    BacktestEngine m_engine;
    bool m_engineRun = false;
    ResultRows m_wanted; // what the history tables must hold, by ordinal - 1
    HistoryTables m_tables;
    int m_dataVersion = 0;
    static constexpr quint16 NoTextId = 0xffff;
    std::array<quint16, 16 * 256> m_valueTextIds{}; // (kind, packed prediction) -> text id
};

} // namespace talven
