#pragma once

#include "common/FormulaKind.h"
#include "common/Result.h"
#include "widgets/FormulaEntryPanel.h"
#include "widgets/FormulaListPanel.h"
#include "widgets/HistoryGridView.h"
#include "windows/DiscoveryWindow.h"
#include "windows/ErrorValueWindow.h"
#include "windows/ReferenceWindow.h"
#include "windows/SelectionBacktestWindow.h"
#include "windows/WindowSlot.h"

#include <QMainWindow>
#include <QPointer>

#include <array>
#include <memory>
#include <optional>

class QAbstractItemModel;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QSettings;
class QSplitter;

namespace talven {

class DrawEntryRow;
struct ImportPreview;
struct ImportSource;
class ExportNotice;
class FilterWindow;
class FormulaEntryPanel;
class FormulaListModel;
class FormulaListPanel;
class FormulaListView;
class FormulaPreviewLabel;
class GridExporter;
class GridView;
class HistoryGridModel;
class HitHistoryStrip;
class Prompts;
class Session;
class SettingsMenu;

// The main window: the history grid with the entry of the newest draw, the formula entry with
// the kind and kill/keep choices, the formula list, and the commands that compute. Every rule
// lives in the session; the window turns the user's actions into its changes and shows the
// outcome.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // viewSettings keeps the window's size, position and splitters (none: not kept).
    MainWindow(Session& session, Prompts& prompts, QSettings* viewSettings = nullptr,
               QWidget* parent = nullptr);
    ~MainWindow() override = default;

public slots:
    // The commands of the window's buttons.
    void importHistory();
    void importPreviewed(const ImportPreview& preview);
    void previewAndImport(const ImportSource& source);
    void compute();
    void verify();
    void openGuide();
    void openReference();
    void openFilter();
    void openDiscovery();
    void openSelectionBacktest();
    void showErrorValues();
    void showExported(const QString& path);
    void showSettingsMenu();
    void undo();
    // Shows or hides the formula columns; switching them on by the user runs the whole back-test.
    void setFormulaColumns(bool on, bool recompute);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // The kind the entry offers: new formulas get it, and the kind filter shows it.
    FormulaKind currentKind() const { return m_formulaEntry->kind(); }
    QWidget* buildCommandBand();
    QPushButton* button(const QString& caption, const char* name, void (MainWindow::*slot)(),
                        const QString& tip = QString());
    // Calls done with the outcome once the change has succeeded; a failure is shown under title.
    template <typename Change, typename Done>
    void afterChange(const Change& change, const QString& failureTitle, Done done);

    void deleteFormula(int idx);
    void toggleKindFilter(bool on);
    void kindChosen();
    // The kind the kind filter shows; none while the filter is off.
    std::optional<FormulaKind> shownKind() const;

    // Following every change of the session.
    void sessionChanged(int what);
    void showUndo();
    void proposeNextPeriod();
    void reportFailure(const QString& title, const Error& error);
    void notify(const QString& text, int milliseconds = 10000);
    // A file to read, picked in the folder the file dialogs share; empty when cancelled.
    QString chooseFile(const QString& caption, const QString& filter);
    void restoreView();
    void saveView();

    Session& m_session;
    Prompts& m_prompts;
    QSettings* m_viewSettings;
    HistoryGridModel* m_history = nullptr;
    HistoryGridView* m_historyView = nullptr;
    FormulaEntryPanel* m_formulaEntry = nullptr;
    FormulaListPanel* m_formulaList = nullptr;
    DrawEntryRow* m_entry = nullptr;
    QCheckBox* m_formulaColumns = nullptr;
    QLineEdit* m_verifyPeriod = nullptr;
    QPushButton* m_settingsButton = nullptr;
    SettingsMenu* m_settingsMenu = nullptr;
    WindowSlot<ReferenceWindow> m_reference;
    WindowSlot<ErrorValueWindow> m_errors;
    WindowSlot<DiscoveryWindow> m_discovery;
    WindowSlot<SelectionBacktestWindow> m_selectionBacktest;
    FilterWindow* m_filter = nullptr;
    GridExporter* m_exporter = nullptr;
    ExportNotice* m_exportNotice = nullptr;
    QPushButton* m_undoButton = nullptr;
    QSplitter* m_bands = nullptr;
    QSplitter* m_top = nullptr;
    // Why Ctrl+Z has nothing to undo after the last change, when that change cannot be undone.
    QString m_notUndoable;
    bool m_closeWhenIdle = false;
};

} // namespace talven
