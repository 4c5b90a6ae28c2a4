#pragma once

#include "common/FormulaKind.h"
#include "common/Options.h"
#include "common/Period.h"
#include "common/Progress.h"
#include "common/Result.h"
#include "formula/FormulaRow.h"
#include "history/HistoryParser.h"
#include "lottery/DrawColumns.h"
#include "session/ChangeSignals.h"
#include "store/Database.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <optional>
#include <vector>

class QSettings;

namespace talven {

class SessionState;

// What a history import stored and which lines it skipped.
struct ImportReport {
    int stored = 0;
    struct Skipped {
        int line = 0;
        QString text;
        QString reason;
    };
    QList<Skipped> skipped; // every skipped line; callers show the first 20
    QString backupPath;
    // Set when the history was stored but the copy of the database it replaced could not join the
    // backups: what went wrong, for the user to hear alongside the success.
    QString backupProblem;
};

// What a formula file import added and what it could not.
struct FormulaImportReport {
    int added = 0;
    QList<std::pair<int, QString>> unrecognised; // line number, text
    QList<int> overLimit;                        // lines not added because the list is full
    QString reportPath;                          // "无法识别公式.txt", empty when every line was read
    int uncomputable = 0; // added formulas that cannot be computed on any draw of the history

    // The line the window's status bar and the command line show.
    QString summary() const {
        if (uncomputable == 0)
            return QStringLiteral("已添加 %1 条公式。").arg(added);
        return QStringLiteral("已添加 %1 条公式，其中 %2 条在每一期都无法计算。")
            .arg(added)
            .arg(uncomputable);
    }
};

// What a change may use besides the state it changes: the database, the settings store, the data
// directory and the progress report, and the one transaction it writes in.
class ChangeContext {
public:
    ChangeContext(Database& db, QSettings& settings, QString dataDir, ProgressFn progress);

    Database& db() { return m_db; }
    QSettings& settings() { return m_settings; }
    const QString& dataDir() const { return m_dataDir; }
    const ProgressFn& progress() const { return m_progress; }

    // Takes the write lock for the change's transaction. Refused as stale when another program
    // committed since the state was read: the change then starts again from what it holds.
    Result<void> beginWrite(const SessionState& state);
    bool began() const { return m_began; }
    Result<void> commit();
    // Rolls the transaction back and undoes, newest first, what was done outside the database.
    void rollback();
    // What the change did outside the database (a settings key, backup files): undone when the
    // change fails, finished when it commits. A finish that fails cannot undo the commit: its
    // message is kept for the change's caller (afterCommitProblem).
    void onRollback(std::function<void()> undo) { m_onRollback.push_back(std::move(undo)); }
    void onCommit(std::function<Result<void>()> finish) { m_onCommit.push_back(std::move(finish)); }
    const QString& afterCommitProblem() const { return m_afterCommitProblem; }

private:
    Database& m_db;
    QSettings& m_settings;
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
// - runsLong(state): whether it rewrites or copies whole tables, and so runs on a copy of the state
//   while the window goes on showing the old one;
// - undoOffer(state): what would undo it, taken from the state before it runs;
// - apply(state, ctx): validates its input against the state, then brings memory and database to the
//   new state in the context's transaction. A refused input changes nothing.
// Session runs them all the same way (Session::start).
namespace ChangeChains {

using Signals = ChangeSignals;

// Refused with ErrorCode::NotHistory when most of the file's lines are not draws, unless forced.
struct ImportHistory {
    using Value = ImportReport;
    static constexpr ChangeSignals::Changes emits = Signals::EverythingChanged;
    static constexpr bool keepsUndo = false;
    QString path;
    bool force = false;
    bool runsLong(const SessionState&) const { return true; }
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
    bool force = false;
    bool runsLong(const SessionState&) const { return true; }
    std::optional<UndoOffer> undoOffer(const SessionState& state) const;
    Result<ImportReport> apply(SessionState& state, ChangeContext& ctx) const;
};

// Keeps only the first `count` draws (an undone append).
struct KeepDraws {
    using Value = void;
    static constexpr ChangeSignals::Changes emits = Signals::HistoryChanged | Signals::ResultsChanged;
    static constexpr bool keepsUndo = false;
    size_t count;
    bool runsLong(const SessionState&) const { return true; }
    std::optional<UndoOffer> undoOffer(const SessionState&) const { return std::nullopt; }
    Result<void> apply(SessionState& state, ChangeContext& ctx) const;
};

// The stored draws as a history file gives them, oldest first.
QList<ParsedDraw> storedDraws(const std::vector<DrawValues>& draws);

struct AddDraw {
    using Value = void;
    static constexpr ChangeSignals::Changes emits = Signals::HistoryChanged | Signals::ResultsChanged;
    static constexpr bool keepsUndo = false;
    std::array<int, 7> numbers;
    std::optional<Period> period; // none: the next period
    bool runsLong(const SessionState& state) const;
    std::optional<UndoOffer> undoOffer(const SessionState&) const { return std::nullopt; }
    Result<void> apply(SessionState& state, ChangeContext& ctx) const;
};

// Removes the newest draw; does nothing with an empty history.
struct DeleteLastDraw {
    using Value = void;
    static constexpr ChangeSignals::Changes emits = Signals::HistoryChanged | Signals::ResultsChanged;
    static constexpr bool keepsUndo = false;
    bool runsLong(const SessionState& state) const;
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
    bool runsLong(const SessionState& state) const;
    std::optional<UndoOffer> undoOffer(const SessionState&) const { return std::nullopt; }
    Result<void> apply(SessionState& state, ChangeContext& ctx) const;
};

struct ImportFormulas {
    using Value = FormulaImportReport;
    static constexpr ChangeSignals::Changes emits = AddFormula::emits;
    static constexpr bool keepsUndo = false;
    QString path;
    bool kill;
    bool runsLong(const SessionState&) const { return true; }
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
    bool runsLong(const SessionState&) const { return true; }
    std::optional<UndoOffer> undoOffer(const SessionState&) const { return std::nullopt; }
    Result<FormulaImportReport> apply(SessionState& state, ChangeContext& ctx) const;
};

struct DeleteFormula {
    using Value = void;
    static constexpr ChangeSignals::Changes emits = AddFormula::emits;
    static constexpr bool keepsUndo = false;
    int idx;
    bool runsLong(const SessionState&) const { return true; }
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
    bool runsLong(const SessionState&) const { return true; }
    std::optional<UndoOffer> undoOffer(const SessionState&) const { return std::nullopt; }
    Result<void> apply(SessionState& state, ChangeContext& ctx) const;
};

// Keeps only the first `count` formulas (an undone formula file import).
struct KeepFormulas {
    using Value = void;
    static constexpr ChangeSignals::Changes emits = AddFormula::emits;
    static constexpr bool keepsUndo = false;
    size_t count;
    bool runsLong(const SessionState&) const { return true; }
    std::optional<UndoOffer> undoOffer(const SessionState&) const { return std::nullopt; }
    Result<void> apply(SessionState& state, ChangeContext& ctx) const;
};

// Runs under new options and saves the option key once the rows are rewritten; the settings store
// keeps its old value when the database change fails.
struct SetOptions {
    using Value = void;
    static constexpr ChangeSignals::Changes emits = Signals::EverythingChanged;
    static constexpr bool keepsUndo = false;
    Options effective;
    OptionKey key;
    Options saved;
    Options savedBefore;
    bool runsLong(const SessionState&) const { return true; }
    std::optional<UndoOffer> undoOffer(const SessionState&) const { return std::nullopt; }
    Result<void> apply(SessionState& state, ChangeContext& ctx) const;
};

// Puts a backup generation back and reads it as at start-up.
struct RestoreBackup {
    using Value = void;
    static constexpr ChangeSignals::Changes emits = Signals::EverythingChanged;
    static constexpr bool keepsUndo = false;
    int generation;
    bool runsLong(const SessionState&) const { return true; }
    std::optional<UndoOffer> undoOffer(const SessionState&) const { return std::nullopt; }
    Result<void> apply(SessionState& state, ChangeContext& ctx) const;
};

// The whole back-test again, storing whatever differs.
struct Recompute {
    using Value = void;
    static constexpr ChangeSignals::Changes emits = Signals::ResultsChanged;
    static constexpr bool keepsUndo = true;
    bool runsLong(const SessionState&) const { return true; }
    std::optional<UndoOffer> undoOffer(const SessionState&) const { return std::nullopt; }
    Result<void> apply(SessionState& state, ChangeContext& ctx) const;
};

// Reads the database again, after another program changed it: running any change does that first,
// so this one does nothing more.
struct Reload {
    using Value = void;
    static constexpr ChangeSignals::Changes emits = Signals::EverythingChanged;
    static constexpr bool keepsUndo = true;
    bool runsLong(const SessionState&) const { return true; }
    std::optional<UndoOffer> undoOffer(const SessionState&) const { return std::nullopt; }
    Result<void> apply(SessionState&, ChangeContext&) const { return {}; }
};

// Runs an undo offer. One level: the undo leaves no offer of its own; a failed undo keeps the offer.
struct Undo {
    using Value = void;
    static constexpr ChangeSignals::Changes emits = Signals::EverythingChanged;
    static constexpr bool keepsUndo = false;
    UndoOffer offer;
    bool runsLong(const SessionState&) const { return true; }
    std::optional<UndoOffer> undoOffer(const SessionState&) const { return std::nullopt; }
    Result<void> apply(SessionState& state, ChangeContext& ctx) const { return offer.change(state, ctx); }
};

} // namespace ChangeChains

} // namespace talven
