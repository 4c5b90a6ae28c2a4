#pragma once

#include "common/FormulaKind.h"
#include "common/Options.h"
#include "common/Period.h"
#include "common/Progress.h"
#include "common/Result.h"
#include "formula/FormulaRow.h"
#include "lottery/DrawColumns.h"
#include "prediction/ErrorValues.h"
#include "prediction/SelectionBacktest.h"
#include "session/ChangeReports.h"
#include "session/ChangeSignals.h"
#include "session/ImportPreview.h"
#include "store/Database.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace talven {

class SessionState;

// What a change may use besides the state it changes: the database, the data directory and the
// progress report, and the one transaction it writes in. Never the settings store: options are
// saved on the session's thread once the change is committed.
class ChangeContext {
public:
    ChangeContext(Database& db, QString dataDir, ProgressFn progress);

    Database& db() { return m_db; }
    const QString& dataDir() const { return m_dataDir; }
    const ProgressFn& progress() const { return m_progress; }

    // Takes the write lock for the change's transaction. Refused as stale when another program
    // committed since the state was read: the change then starts again from what it holds.
    Result<void> beginWrite(const SessionState& state);
    bool began() const { return m_began; }
    Result<void> commit();
    // Rolls the transaction back and undoes, newest first, what was done outside the database.
    void rollback();
    // What the change did outside the database (backup files): undone when the
    // change fails, finished when it commits. A finish that fails cannot undo the commit: its
    // message is kept for the change's caller (afterCommitProblem).
    void onRollback(std::function<void()> undo) { m_onRollback.push_back(std::move(undo)); }
    void onCommit(std::function<Result<void>()> finish) { m_onCommit.push_back(std::move(finish)); }
    const QString& afterCommitProblem() const { return m_afterCommitProblem; }

private:
    Database& m_db;
    QString m_dataDir;
    ProgressFn m_progress;
    Transaction m_transaction;
    std::vector<std::function<void()>> m_onRollback;
    std::vector<std::function<Result<void>()>> m_onCommit;
    QString m_afterCommitProblem;
    bool m_began = false;
};

// What undoes a change, offered once until the next change: the command's caption ("撤销删除公式 12")
// and the change that puts the old state back.
struct UndoOffer {
    QString description;
    std::function<Result<void>(SessionState&, ChangeContext&)> change;
};

// The change kinds, one object each. Every kind says in one place
// - Value: what a successful change returns;
// - emits: which parts of the state it tells the views about;
// - keepsUndo: true when it changes no data, so that an earlier undo offer stays;
// - undoOffer(state): what would undo it, taken from the state before it runs;
// - apply(state, ctx): validates its input against the state, then brings memory and database to the
//   new state in the context's transaction. A refused input changes nothing.
// - access (when not a plain change): how the session lets it run, see Access.
// Session runs them all through one runner (Session::run): on the database thread, one at a time,
// on a copy of the state while views show the old one.
namespace ChangeKinds {

// How the runner treats an operation. Change: refused while another runs or the database is only
// shown, it brings state and database to a new state. Repair: the same, but allowed on a database
// that is only shown (a restore replaces a damaged copy). Store: refused like a change, it writes
// beside the state without changing it (the error values). Read: refused while a change runs, it
// only reads. Peek: a short read of the database that neither waits for nor holds up anything.
enum class Access { Change, Repair, Store, Read, Peek };

template <typename Kind>
constexpr Access accessOf() {
    if constexpr (requires { Kind::access; })
        return Kind::access;
    else
        return Access::Change;
}

using Signals = ChangeSignals;

// Reads a history file as an import would take it; nothing is stored.
struct PreviewImport {
    using Value = ImportPreview;
    static constexpr Access access = Access::Read;
    ImportSource source;
    Result<ImportPreview> apply(const SessionState& state, ChangeContext&) const;
};

// Stores the draws of a preview (or of the file, read here, when none was made). Refused with
// ErrorCode::NotHistory when most of the file's lines are not draws, unless forced.
struct ImportHistory {
    using Value = ImportReport;
    static constexpr ChangeSignals::Changes emits = Signals::EverythingChanged;
    static constexpr bool keepsUndo = false;
    QString path;
    std::optional<ImportPreview> preview;
    bool force = false;
    std::optional<UndoOffer> undoOffer(const SessionState&) const;
    Result<ImportReport> apply(SessionState& state, ChangeContext& ctx) const;
};

// Stores the draws of a history file newer than the newest stored one; the file must continue the
// stored history (HistoryFile::newerThan). Takes no backup: its undo removes the appended draws.
struct AppendHistory {
    using Value = ImportReport;
    static constexpr ChangeSignals::Changes emits = Signals::HistoryChanged | Signals::ResultsChanged;
    static constexpr bool keepsUndo = false;
    QString path;
    std::optional<ImportPreview> preview;
    bool force = false;
    std::optional<UndoOffer> undoOffer(const SessionState& state) const;
    Result<ImportReport> apply(SessionState& state, ChangeContext& ctx) const;
};

// Keeps only the first `count` draws (an undone append).
struct KeepDraws {
    using Value = void;
    static constexpr ChangeSignals::Changes emits = Signals::HistoryChanged | Signals::ResultsChanged;
    static constexpr bool keepsUndo = false;
    size_t count;
    std::optional<UndoOffer> undoOffer(const SessionState&) const { return std::nullopt; }
    Result<void> apply(SessionState& state, ChangeContext& ctx) const;
};

struct AddDraw {
    using Value = void;
    static constexpr ChangeSignals::Changes emits = Signals::HistoryChanged | Signals::ResultsChanged;
    static constexpr bool keepsUndo = false;
    std::array<int, 7> numbers;
    std::optional<Period> period; // none: the next period
    std::optional<UndoOffer> undoOffer(const SessionState&) const { return std::nullopt; }
    Result<void> apply(SessionState& state, ChangeContext& ctx) const;
};

// Removes the newest draw; does nothing with an empty history.
struct DeleteLastDraw {
    using Value = void;
    static constexpr ChangeSignals::Changes emits = Signals::HistoryChanged | Signals::ResultsChanged;
    static constexpr bool keepsUndo = false;
    std::optional<UndoOffer> undoOffer(const SessionState& state) const;
    Result<void> apply(SessionState& state, ChangeContext& ctx) const;
};

struct AddFormula {
    using Value = void;
    static constexpr ChangeSignals::Changes emits =
        Signals::FormulasChanged | Signals::ResultsChanged | Signals::SelectionChanged;
    static constexpr bool keepsUndo = false;
    QString text;
    FormulaKind kind;
    bool kill;
    std::optional<UndoOffer> undoOffer(const SessionState&) const { return std::nullopt; }
    Result<void> apply(SessionState& state, ChangeContext& ctx) const;
};

struct ImportFormulas {
    using Value = FormulaImportReport;
    static constexpr ChangeSignals::Changes emits = AddFormula::emits;
    static constexpr bool keepsUndo = false;
    QString path;
    bool kill;
    std::optional<UndoOffer> undoOffer(const SessionState& state) const;
    Result<FormulaImportReport> apply(SessionState& state, ChangeContext& ctx) const;
};

// Typed formulas of one kind and sense added in one transaction, as a file's lines are; the report
// numbers the texts from 1 and writes no report file.
struct AddFormulas {
    using Value = FormulaImportReport;
    static constexpr ChangeSignals::Changes emits = AddFormula::emits;
    static constexpr bool keepsUndo = false;
    QStringList texts;
    FormulaKind kind;
    bool kill;
    std::optional<UndoOffer> undoOffer(const SessionState&) const { return std::nullopt; }
    Result<FormulaImportReport> apply(SessionState& state, ChangeContext& ctx) const;
};

struct DeleteFormula {
    using Value = void;
    static constexpr ChangeSignals::Changes emits = AddFormula::emits;
    static constexpr bool keepsUndo = false;
    int idx;
    std::optional<UndoOffer> undoOffer(const SessionState& state) const;
    Result<void> apply(SessionState& state, ChangeContext& ctx) const;
};

// Puts a formula back at its place in the list (an undone deletion), with its selection flag.
struct InsertFormula {
    using Value = void;
    static constexpr ChangeSignals::Changes emits = AddFormula::emits;
    static constexpr bool keepsUndo = false;
    FormulaRow row;
    bool selected;
    std::optional<UndoOffer> undoOffer(const SessionState&) const { return std::nullopt; }
    Result<void> apply(SessionState& state, ChangeContext& ctx) const;
};

// Keeps only the first `count` formulas (an undone formula file import).
struct KeepFormulas {
    using Value = void;
    static constexpr ChangeSignals::Changes emits = AddFormula::emits;
    static constexpr bool keepsUndo = false;
    size_t count;
    std::optional<UndoOffer> undoOffer(const SessionState&) const { return std::nullopt; }
    Result<void> apply(SessionState& state, ChangeContext& ctx) const;
};

// Runs under new options; the session saves the option once the rewritten rows are committed.
struct SetOptions {
    using Value = void;
    static constexpr ChangeSignals::Changes emits = Signals::EverythingChanged;
    static constexpr bool keepsUndo = false;
    Options effective;
    std::optional<UndoOffer> undoOffer(const SessionState&) const { return std::nullopt; }
    Result<void> apply(SessionState& state, ChangeContext& ctx) const;
};

// An option that changes nothing the database holds (it takes effect at the next start, or only
// the settings store keeps it): the session saves it once nothing else runs.
struct SaveOption {
    using Value = void;
    static constexpr Access access = Access::Store;
    Result<void> apply(const SessionState&, ChangeContext&) const { return {}; }
};

// Replaces the text of formula idx, which keeps its place, kind, sense and selection.
struct EditFormula {
    using Value = void;
    static constexpr ChangeSignals::Changes emits = Signals::FormulasChanged | Signals::ResultsChanged;
    static constexpr bool keepsUndo = false;
    int idx;
    QString text;
    std::optional<UndoOffer> undoOffer(const SessionState& state) const;
    Result<void> apply(SessionState& state, ChangeContext& ctx) const;
};

// Puts a backup generation back and reads it as at start-up.
struct RestoreBackup {
    using Value = void;
    static constexpr Access access = Access::Repair;
    static constexpr ChangeSignals::Changes emits = Signals::EverythingChanged;
    static constexpr bool keepsUndo = false;
    int generation;
    std::optional<UndoOffer> undoOffer(const SessionState&) const { return std::nullopt; }
    Result<void> apply(SessionState& state, ChangeContext& ctx) const;
};

// The whole back-test again, storing whatever differs.
struct Recompute {
    using Value = void;
    static constexpr ChangeSignals::Changes emits = Signals::ResultsChanged;
    static constexpr bool keepsUndo = true;
    std::optional<UndoOffer> undoOffer(const SessionState&) const { return std::nullopt; }
    Result<void> apply(SessionState& state, ChangeContext& ctx) const;
};

// Reads the database again, after another program changed it: running any change does that first,
// so this one does nothing more.
struct Reload {
    using Value = void;
    static constexpr ChangeSignals::Changes emits = Signals::EverythingChanged;
    static constexpr bool keepsUndo = true;
    std::optional<UndoOffer> undoOffer(const SessionState&) const { return std::nullopt; }
    Result<void> apply(SessionState&, ChangeContext&) const { return {}; }
};

// Runs an undo offer. One level: the undo leaves no offer of its own; a failed undo keeps the offer.
struct Undo {
    using Value = void;
    static constexpr ChangeSignals::Changes emits = Signals::EverythingChanged;
    static constexpr bool keepsUndo = false;
    UndoOffer offer;
    std::optional<UndoOffer> undoOffer(const SessionState&) const { return std::nullopt; }
    Result<void> apply(SessionState& state, ChangeContext& ctx) const { return offer.change(state, ctx); }
};

// The error values of the selected formulas for the next draw, or as they stood right after the
// draw of a chosen period, stored for the error-value window.
struct Predict {
    using Value = ErrorValueTable;
    static constexpr Access access = Access::Store;
    std::optional<Period> atPeriod;
    std::optional<FormulaKind> kindFilter;
    Result<ErrorValueTable> apply(const SessionState& state, ChangeContext& ctx) const;
};

// The selection back-tested draw by draw; in the current-selection mode the selection is the
// state's. A cancel flag set meanwhile ends it with a report marked cancelled.
struct BacktestSelection {
    using Value = SelectionBacktestReport;
    static constexpr Access access = Access::Read;
    SelectionBacktestRequest request;
    std::shared_ptr<std::atomic<bool>> cancel;
    Result<SelectionBacktestReport> apply(const SessionState& state, ChangeContext& ctx) const;
};

// The error values the last prediction stored, of this run or an earlier one.
struct StoredErrorValues {
    using Value = ErrorValueTable;
    static constexpr Access access = Access::Peek;
    Result<ErrorValueTable> apply(const SessionState&, ChangeContext& ctx) const;
};

// The database's data version, to notice another program's commits.
struct DataVersion {
    using Value = int;
    static constexpr Access access = Access::Peek;
    Result<int> apply(const SessionState&, ChangeContext& ctx) const { return ctx.db().dataVersion(); }
};

// A job that only reads the state (an export); no change can start under it.
struct Reading {
    using Value = void;
    static constexpr Access access = Access::Read;
    std::function<Result<void>(const ProgressFn&)> job;
    Result<void> apply(const SessionState&, ChangeContext& ctx) const { return job(ctx.progress()); }
};

} // namespace ChangeKinds

} // namespace talven
