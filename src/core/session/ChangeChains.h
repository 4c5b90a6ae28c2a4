#pragma once

#include "common/FormulaKind.h"
#include "common/Options.h"
#include "common/Period.h"
#include "common/Progress.h"
#include "common/Result.h"
#include "formula/FormulaRow.h"
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
};

// What a formula file import added and what it could not.
struct FormulaImportReport {
    int added = 0;
    QList<std::pair<int, QString>> unrecognised; // line number, text
    QList<int> overLimit;                        // lines not added because the list is full
    QString reportPath;                          // "无法识别公式.txt", empty when every line was read
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
    void onRollback(std::function<void()> undo) { m_undo.push_back(std::move(undo)); }

private:
    Database& m_db;
    QSettings& m_settings;
    QString m_dataDir;
    ProgressFn m_progress;
    Transaction m_transaction;
    std::vector<std::function<void()>> m_undo;
    bool m_began = false;
};

// The change chains: each validates its input against the state, then brings memory and database
// to the new state in the context's transaction. A refused input changes nothing.
namespace ChangeChains {

// Refused with ErrorCode::NotHistory when most of the file's lines are not draws, unless forced.
Result<ImportReport> importHistory(SessionState& state, ChangeContext& ctx, const QString& path,
                                   bool force = false);
Result<void> addDraw(SessionState& state, ChangeContext& ctx, const std::array<int, 7>& numbers,
                     std::optional<Period> period);
// Removes the newest draw; does nothing with an empty history.
Result<void> deleteLastDraw(SessionState& state, ChangeContext& ctx);
Result<void> addFormula(SessionState& state, ChangeContext& ctx, const QString& text, FormulaKind kind,
                        bool kill);
Result<FormulaImportReport> importFormulas(SessionState& state, ChangeContext& ctx, const QString& path,
                                           bool kill);
// Typed formulas of one kind and sense added in one transaction, as a file's lines are; the report
// numbers the texts from 1 and writes no report file.
Result<FormulaImportReport> addFormulas(SessionState& state, ChangeContext& ctx, const QStringList& texts,
                                        FormulaKind kind, bool kill);
Result<void> deleteFormula(SessionState& state, ChangeContext& ctx, int idx);
// Runs under new options and saves the option key once the rows are rewritten; the settings store
// keeps its old value when the database change fails.
Result<void> setOptions(SessionState& state, ChangeContext& ctx, const Options& effective, const QString& key,
                        const Options& saved, const Options& savedBefore);
// Puts a formula back at its place in the list (an undone deletion), with its selection flag.
Result<void> insertFormula(SessionState& state, ChangeContext& ctx, const FormulaRow& row, bool selected);
// Keeps only the first `count` formulas (an undone formula file import).
Result<void> keepFormulas(SessionState& state, ChangeContext& ctx, size_t count);
// Puts a backup generation back and reads it as at start-up.
Result<void> restoreBackup(SessionState& state, ChangeContext& ctx, int generation);
// The whole back-test again, storing whatever differs.
Result<void> recompute(SessionState& state, ChangeContext& ctx);

} // namespace ChangeChains

} // namespace talven
