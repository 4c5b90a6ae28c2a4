#pragma once

#include "common/FormulaKind.h"
#include "common/Options.h"
#include "common/Period.h"
#include "common/Result.h"
#include "prediction/ErrorValues.h"
#include "session/ChangeChains.h"
#include "session/Pending.h"
#include "session/SessionState.h"
#include "store/Settings.h"

#include <QObject>

#include <array>
#include <functional>
#include <memory>
#include <optional>

class QSettings;
class QThread;

namespace talven {

class Database;

// The run-wide state of the program and the front of every change: it orders the change chains,
// runs the long ones on a worker thread and tells the views what changed. The windows and the
// command line read the state through it and never change it any other way.
class Session : public QObject {
    Q_OBJECT
public:
    enum Change {
        HistoryChanged = 0x1,
        FormulasChanged = 0x2,
        ResultsChanged = 0x4,
        OptionsChanged = 0x8,
        SelectionChanged = 0x10,
        ErrorValuesChanged = 0x20,
        UndoChanged = 0x40, // what undo() would undo
        EverythingChanged = 0x7f,
    };
    Q_DECLARE_FLAGS(Changes, Change)

    // Opens (or creates) the database in the data directory and brings stored rows in line with
    // the number model in force.
    static Result<std::unique_ptr<Session>> open(const QString& dataDir, QSettings& settings);
    ~Session() override;

    const QString& dataDir() const { return m_dataDir; }
    // The state the views show; replaced whole when a change completes.
    const SessionState& state() const { return *m_state; }
    const Options& options() const { return m_state->options(); }
    const NumberModel& model() const { return m_state->model(); }
    const std::vector<DrawValues>& draws() const { return m_state->draws(); }
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
    // The stored text of an option as the menus show it; "BIT" and "SxSetup" may differ from the
    // values in force until the next start.
    QString optionText(const QString& key) const { return Settings::text(m_savedOptions, key); }

    // The window runs even the short changes on the worker, so that its event loop is never held up;
    // the command line waits anyway and runs them at once.
    void setShortChangesOnWorker(bool onWorker) { m_shortChangesOnWorker = onWorker; }

    // True while a long change runs; every other change is refused meanwhile.
    bool busy() const { return m_busy; }
    // Why the database can only be read (read-only file, full disk); empty when it can be changed.
    const QString& readOnlyReason() const { return m_readOnlyReason; }
    // What opening repaired and the user should know (renumbered formulas); empty when nothing.
    const QString& openingNotice() const { return m_openingNotice; }
    // True when another program committed to the database since the state was read.
    bool changedElsewhere();

    // Changes. Each is refused at once with the reason when the input cannot be used; the ones
    // that rewrite or copy whole tables run on the worker and finish later.
    Pending<ImportReport> importHistory(const QString& path);
    Pending<void> addDraw(const std::array<int, 7>& numbers, std::optional<Period> period = std::nullopt);
    Pending<void> deleteLastDraw();
    // Validated and saved with the database change it causes: a changed code base or "YEAR"
    // rewrites the stored rows, "MaAddIni" re-runs the back-test; "BIT" and "SxSetup" take effect
    // at the next start.
    Pending<void> setOption(const QString& key, const QString& value);
    Pending<void> addFormula(const QString& text, FormulaKind kind, bool kill);
    Pending<FormulaImportReport> importFormulas(const QString& path, bool kill);
    // Several typed formulas of one kind in one transaction, reported as a file's lines are.
    Pending<FormulaImportReport> addFormulas(const QStringList& texts, FormulaKind kind, bool kill);
    Pending<void> deleteFormula(int idx);
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

    // A job that only reads the state (an export): it runs on the worker, and no change can start
    // under it.
    Pending<void> runReading(std::function<Result<void>(const ProgressFn&)> job);

    // Selection of formula ordinals 1..n; ignored while a change runs.
    void setSelected(int ordinal, bool selected);
    void setSelection(const std::vector<bool>& selected);
    void selectAll();
    void invertSelection();

    // Error values of the selected formulas for the next draw, or as they stood right after the
    // draw of a chosen period; with a kind filter only the formulas of that kind take part.
    Result<ErrorValueTable> errorValues(std::optional<Period> atPeriod = std::nullopt,
                                        std::optional<int> kindFilter = std::nullopt) const;
    // The run of "计算选中公式": the error values as errorValues() gives them, stored into Errarr.
    Result<ErrorValueTable> predict(std::optional<Period> atPeriod = std::nullopt,
                                    std::optional<int> kindFilter = std::nullopt);
    // The values of the last predict() and the period they are for (none: the next draw).
    const ErrorValueTable& lastErrorValues() const { return m_lastErrorValues; }
    std::optional<Period> lastErrorValuesPeriod() const { return m_lastErrorValuesPeriod; }
    Result<ErrorValueTable> storedErrorValues() const;

    // The database, for tests that damage it on purpose.
    Database& database() { return *m_db; }

signals:
    void changed(talven::Session::Changes what);
    void busyChanged(bool busy);
    // Progress of a long change: a fraction 0..1 and a short text ("回测公式 812/1536").
    void progress(double fraction, const QString& text);

private:
    template <typename T>
    using ChangeFn = std::function<Result<T>(SessionState&, ChangeContext&)>;
    struct UndoOffer {
        QString description;
        ChangeFn<void> change;
    };
    // What a successful change does besides replacing the state.
    struct Outcome {
        Changes what;
        std::optional<UndoOffer> undo = std::nullopt; // the offer it leaves
        bool keepsUndo = false;                       // true: it changes no data, an earlier offer stays
        std::function<void()> onSuccess = {};
    };

    Session(QString dataDir, QSettings& settings);
    Result<void> start();
    // True when the formulas were numbered anew (the state must be read again).
    Result<bool> renumberFormulasIfNeeded();
    template <typename T>
    Pending<T> run(bool longChange, Outcome outcome, ChangeFn<T> change);
    void succeeded(const Outcome& outcome, bool reloaded);
    template <typename T>
    Result<T> execute(std::unique_ptr<SessionState>& state, const ChangeFn<T>& change, bool inPlace,
                      bool& reloaded, const ProgressFn& progress);
    Result<std::unique_ptr<SessionState>> reloadState(const SessionState& from, const ProgressFn& progress);
    Result<void> refusal() const;
    // Runs work on the worker thread (busy meanwhile), then on the session's thread apply while
    // still busy and finish once other changes may start.
    void onWorker(std::function<void()> work, std::function<void()> apply, std::function<void()> finish);
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
    bool m_shortChangesOnWorker = false;
    std::unique_ptr<QThread> m_worker;
    std::optional<UndoOffer> m_undo;
    ErrorValueTable m_lastErrorValues;
    std::optional<Period> m_lastErrorValuesPeriod;
};

} // namespace talven

Q_DECLARE_OPERATORS_FOR_FLAGS(talven::Session::Changes)
