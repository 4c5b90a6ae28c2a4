#pragma once

#include "common/FormulaKind.h"
#include "common/Options.h"
#include "common/Period.h"
#include "common/Result.h"
#include "lottery/Draw.h"
#include "prediction/ErrorValues.h"
#include "session/ChangeKinds.h"
#include "session/ChangeReports.h"
#include "session/ChangeSignals.h"
#include "session/ImportPreview.h"
#include "session/Pending.h"
#include "session/SessionState.h"

#include <QObject>

#include <array>
#include <functional>
#include <memory>
#include <optional>

class QSettings;
class QTimer;

namespace talven {

class Database;
class DatabaseThread;

// The run-wide state of the program and the front of every operation: it runs the kinds of
// ChangeKinds through one runner on the database thread and tells the views what changed (the
// flags of ChangeSignals). The windows and the command line read the state through it and never
// change it any other way.
class Session : public QObject, public ChangeSignals {
    Q_OBJECT
public:
    // Opens (or creates) the database in the data directory and brings stored rows in line with
    // the number model in force.
    static Result<std::unique_ptr<Session>> open(const QString& dataDir, QSettings& settings);
    // True when the data directory holds a database file.
    static bool databaseExists(const QString& dataDir);
    ~Session() override;

    const QString& dataDir() const { return m_dataDir; }
    // The state the views show; replaced whole when a change completes.
    const SessionState& state() const { return *m_state; }
    const Options& options() const { return m_state->options(); }
    const NumberModel& model() const { return m_state->model(); }
    const std::vector<DrawValues>& draws() const { return m_state->draws(); }
    // Draw `index` of the history, oldest first; index < draws().size().
    Draw draw(size_t index) const { return Draw(m_state->draws()[index]); }
    const std::vector<FormulaRow>& formulas() const { return m_state->formulas(); }
    const std::vector<bool>& selection() const { return m_state->selection(); }
    const FormulaResult& result(int ordinal) const { return m_state->result(ordinal); }
    const QString& resultText(int ordinal, int draw) const { return m_state->resultText(ordinal, draw); }
    bool resultHit(int ordinal, int draw) const { return m_state->resultHit(ordinal, draw); }
    Period nextPeriod() const { return m_state->nextPeriod(); }
    int currentYear() const { return m_state->currentYear(); }
    // What a typed formula would be and get, with the kind and sense given; nothing is stored.
    FormulaPreview previewFormula(const QString& text, FormulaKind kind, bool kill) const {
        return m_state->preview(text, kind, kill);
    }
    // The options as stored, as the menus show them; the largest number and the zodiac coding may
    // differ from the options in force until the next start.
    const Options& savedOptions() const { return m_savedOptions; }

    // True while a long change runs; every other change is refused meanwhile.
    bool busy() const { return m_busy; }
    // Why the database can only be read (read-only file, full disk); empty when it can be changed.
    const QString& readOnlyReason() const { return m_readOnlyReason; }
    // Checks every intervalMs whether another program changed the database, and reads it again
    // when nothing runs here (reloadedAfterOtherProgram() then).
    void watchOtherPrograms(int intervalMs);
    // What opening repaired and the user should know (renumbered formulas); empty when nothing.
    const QString& openingNotice() const { return m_openingNotice; }

    // Changes. Each runs on the worker and finishes later; it is refused with the reason when the
    // input cannot be used, or while another operation runs ("正在进行其他操作，请稍候再试").
    // What importing a file would do; the file is read here and nowhere else.
    Pending<ImportPreview> previewImport(const ImportSource& source);
    Pending<ImportPreview> previewImport(const QString& path) {
        return previewImport(ImportSource::file(path));
    }
    // Stores the previewed draws. A file that is mostly not draws is refused (ErrorCode::NotHistory)
    // unless forced. Given a path, the file is previewed within the change.
    Pending<ImportReport> importHistory(const ImportPreview& preview, bool force = false);
    Pending<ImportReport> importHistory(const QString& path, bool force = false);
    // Only the file's draws newer than the newest stored one (report.stored of them), in one change
    // that takes no backup; refused, with the differences in the error's detail, when the file does
    // not continue the stored history.
    Pending<ImportReport> appendHistory(const ImportPreview& preview, bool force = false);
    Pending<ImportReport> appendHistory(const QString& path, bool force = false);
    Pending<void> addDraw(const std::array<int, 7>& numbers, std::optional<Period> period = std::nullopt);
    Pending<void> deleteLastDraw();
    // Validated and saved with the database change it causes: a changed code base or period year
    // rewrites the stored rows, the special plus one re-runs the back-test; the largest number and
    // the zodiac coding take effect at the next start. An on/off option is 1 or 0.
    Pending<void> setOption(OptionKey key, int value);
    Pending<void> addFormula(const QString& text, FormulaKind kind, bool kill);
    Pending<FormulaImportReport> importFormulas(const QString& path, bool kill);
    // Several typed formulas of one kind in one transaction, reported as a file's lines are.
    Pending<FormulaImportReport> addFormulas(const QStringList& texts, FormulaKind kind, bool kill);
    Pending<void> deleteFormula(int idx);
    Pending<void> editFormula(int idx, const QString& text);
    // The whole back-test again.
    Pending<void> recompute();
    // Puts backup generation 0 (newest) .. 2 back, saving the current database as the newest first.
    Pending<void> restoreBackup(int generation);
    // Reads the database again, after another program changed it.
    Pending<void> reload();

    // The last destructive change (a deleted formula or draw, a history or formula file import) can
    // be undone once, until any other change. Empty: nothing to undo; else the command's caption
    // ("撤销删除公式 12").
    QString undoDescription() const { return m_undo ? m_undo->description : QString(); }
    Pending<void> undo();

    // A job that only reads the state (an export): it runs off the window's thread, and no change can
    // start under it.
    Pending<void> runReading(std::function<Result<void>(const ProgressFn&)> job);

    // Selection of formula ordinals 1..n; ignored while a change runs.
    void setSelected(int ordinal, bool selected);
    void setSelection(const std::vector<bool>& selected);
    void selectAll();
    void invertSelection();

    // Error values of the selected formulas for the next draw, or as they stood right after the
    // draw of a chosen period; with a kind filter only the formulas of that kind take part.
    Result<ErrorValueTable> errorValues(std::optional<Period> atPeriod = std::nullopt,
                                        std::optional<FormulaKind> kindFilter = std::nullopt) const;
    // The run of "计算选中公式": the error values as errorValues() gives them, stored; no change can
    // start meanwhile.
    Pending<ErrorValueTable> predict(std::optional<Period> atPeriod = std::nullopt,
                                     std::optional<FormulaKind> kindFilter = std::nullopt);
    // The selection back-tested draw by draw (the state's selection when the request names none in
    // the current-selection mode); no change can start meanwhile. Setting cancel stops it early.
    Pending<SelectionBacktestReport> backtestSelection(SelectionBacktestRequest request,
                                                       std::shared_ptr<std::atomic<bool>> cancel = {});
    // The values of the last predict() and the period they are for (none: the next draw).
    const ErrorValueTable& lastErrorValues() const { return m_lastErrorValues; }
    std::optional<Period> lastErrorValuesPeriod() const { return m_lastErrorValuesPeriod; }
    // The values the last predict() stored, of this or an earlier run.
    Pending<ErrorValueTable> storedErrorValues();

signals:
    void changed(talven::Session::Changes what);
    // The state was read again after another program changed the database (watchOtherPrograms).
    void reloadedAfterOtherProgram();
    void busyChanged(bool busy);
    // Progress of a long change: a fraction 0..1 and a short text ("回测公式 812/1536").
    void progress(double fraction, const QString& text);

private:
    template <typename T>
    using ChangeFn = std::function<Result<T>(SessionState&, ChangeContext&)>;
    // What runs on the session's thread once an operation succeeded, before anyone hears of it:
    // options saved, values kept. A failure here is the operation's outcome.
    template <typename T>
    using Settle = std::function<Result<void>(const Result<T>&)>;
    // What a successful change does besides replacing the state.
    struct Outcome {
        Changes emits;
        std::optional<UndoOffer> undo = std::nullopt; // the offer it leaves
        bool keepsUndo = false;                       // true: it changes no data, an earlier offer stays
    };

    Session(QString dataDir, QSettings& settings);
    static Result<std::unique_ptr<Session>> openIn(const QString& dataDir, QSettings& settings);
    Result<void> openDatabase();
    // Every refused or failed operation is kept in the log with its cause.
    static void logFailure(const Error& error);
    // The one runner: refuses the operation by its access (ChangeKinds::Access), else runs it on
    // the database thread, then on the session's thread puts the new state in place, settles it,
    // tells the views and only then lets the next operation start.
    template <typename Kind>
    Pending<typename Kind::Value> run(Kind kind, Settle<typename Kind::Value> settle = {});
    // True when the formulas were numbered anew (the state must be read again).
    Result<bool> renumberFormulasIfNeeded();
    void succeeded(const Outcome& outcome, bool reloaded);
    template <typename T>
    Result<T> execute(std::unique_ptr<SessionState>& state, const ChangeFn<T>& change, bool inPlace,
                      bool& reloaded, const ProgressFn& progress);
    Result<void> refusal(ChangeKinds::Access access) const;
    // Views read the state from the session's thread while a change runs: the change then works
    // on a copy. Without views (the command line) it changes the state in place.
    bool viewsWatch() const;
    // A restored state may hold damaged rows: the database is then only shown.
    void checkDamage();
    void checkOtherPrograms();
    ProgressFn progressReporter();
    void setBusy(bool busy);

    QString m_dataDir;
    QSettings& m_settings;
    std::unique_ptr<Database> m_db;
    std::unique_ptr<SessionState> m_state;
    Options m_savedOptions;
    QString m_readOnlyReason;
    QString m_openingNotice;
    bool m_busy = false;
    bool m_checkingOthers = false;
    QTimer* m_watch = nullptr;
    std::unique_ptr<DatabaseThread> m_dbThread;
    std::optional<UndoOffer> m_undo;
    ErrorValueTable m_lastErrorValues;
    std::optional<Period> m_lastErrorValuesPeriod;
};

} // namespace talven
