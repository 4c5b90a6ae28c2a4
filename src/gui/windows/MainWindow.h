#pragma once

#include "common/FormulaKind.h"
#include "common/Result.h"
#include "windows/DiscoveryWindow.h"
#include "windows/ErrorValueWindow.h"
#include "windows/ReferenceWindow.h"
#include "windows/WindowSlot.h"

#include <QMainWindow>
#include <QPointer>

#include <array>
#include <memory>

class QAbstractItemModel;
class QApplication;
class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSettings;
class QSortFilterProxyModel;
class QSplitter;
class QTabBar;
class QTimer;

namespace talven {

class DrawEntryRow;
class FilterWindow;
class FormulaPreviewLabel;
class HitHistoryStrip;
class FormulaListModel;
class FormulaListView;
class GridExporter;
class GridView;
class HistoryGridModel;
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
    ~MainWindow() override;

    // Opens the session in the data directory and shows the window; a database that cannot be
    // opened is reported in a message box and the program ends.
    static int runProgram(QApplication& app);

    HistoryGridModel* historyModel() const { return m_history; }
    FormulaListModel* formulaModel() const { return m_formulas; }
    GridView* historyView() const;
    FormulaListView* formulaView() const { return m_formulaView; }
    DrawEntryRow* entryRow() const { return m_entry; }
    bool showsFormulaColumns() const;
    FormulaKind currentKind() const { return m_kind; }
    bool killForNewFormulas() const { return m_kill; }
    bool kindFilterOn() const;
    FormulaPreviewLabel* preview() const { return m_preview; }
    HitHistoryStrip* hitHistory() const { return m_strip; }
    // The formula shown by the view's row (the list may be sorted for viewing).
    int ordinalOfViewRow(int row) const;
    // The secondary windows while they are open.
    ReferenceWindow* referenceWindow() const { return m_reference.window(); }
    ErrorValueWindow* errorValueWindow() const { return m_errors.window(); }
    FilterWindow* filterWindow() const { return m_filter; }
    DiscoveryWindow* discoveryWindow() const { return m_discovery.window(); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    friend class ScreenshotTour;

private:
    QWidget* buildHistoryBand();
    QWidget* buildFormulaEntry();
    QWidget* buildEntryBand();
    QWidget* buildListBand();
    QWidget* buildCommandBand();
    QPushButton* button(const QString& caption, void (MainWindow::*slot)(), const QString& tip = QString());

    // Commands.
    void importHistory();
    void storeDraw(const std::array<int, 7>& numbers, const QString& periodText);
    void deleteLastDraw();
    void addTypedFormula();
    void importFormulas();
    void deleteFormula(int idx);
    void toggleFormulaColumns(bool on);
    void toggleKindFilter(bool on);
    void chooseKind(int kind);
    void selectAllShown();
    void invertShown();
    void compute();
    void verify();
    void openGuide();
    void openReference();
    void openFilter();
    void openDiscovery();
    void showErrorValues();
    void showSettingsMenu();
    void undo();
    void showUndo();
    void showHitHistory();
    void previewInput();
    // Models of their own for an export on the worker, made as the grids show now.
    std::shared_ptr<QAbstractItemModel> historyForExport() const;
    std::shared_ptr<QAbstractItemModel> formulasForExport() const;
    void chooseColumns(const QPoint& at);

    // Following every change of the session.
    void sessionChanged(int what);
    void showStatus();
    void proposeNextPeriod();
    void scrollHistoryToNewest();
    void scrollFormulasToEnd();
    // Shows or hides the formula columns; switching them on by the user runs the whole back-test.
    void setFormulaColumns(bool on, bool recompute);
    void showFormulaForm(int tab);
    std::vector<bool> selectionOfShown(const std::function<bool(bool)>& change) const;
    void reportFailure(const QString& title, const Error& error);
    void restoreView();
    void saveView();

    Session& m_session;
    Prompts& m_prompts;
    QSettings* m_viewSettings;
    HistoryGridModel* m_history = nullptr;
    FormulaListModel* m_formulas = nullptr;
    GridView* m_historyView = nullptr;
    FormulaListView* m_formulaView = nullptr;
    DrawEntryRow* m_entry = nullptr;
    QPlainTextEdit* m_formulaText = nullptr;
    QCheckBox* m_formulaColumns = nullptr;
    QPushButton* m_kindFilter = nullptr;
    QButtonGroup* m_kinds = nullptr;
    QRadioButton* m_killButton = nullptr;
    QRadioButton* m_keepButton = nullptr;
    QTabBar* m_forms = nullptr;
    QLineEdit* m_verifyPeriod = nullptr;
    QPushButton* m_settingsButton = nullptr;
    SettingsMenu* m_settingsMenu = nullptr;
    WindowSlot<ReferenceWindow> m_reference;
    WindowSlot<ErrorValueWindow> m_errors;
    WindowSlot<DiscoveryWindow> m_discovery;
    FilterWindow* m_filter = nullptr;
    GridExporter* m_exporter = nullptr;
    QSortFilterProxyModel* m_sorted = nullptr;
    FormulaPreviewLabel* m_preview = nullptr;
    HitHistoryStrip* m_strip = nullptr;
    QPushButton* m_undoButton = nullptr;
    QSplitter* m_listSplit = nullptr;
    QSplitter* m_bands = nullptr;
    QSplitter* m_top = nullptr;
    QLabel* m_status = nullptr;
    FormulaKind m_kind = FormulaKind::SpecialNumber;
    bool m_kill = true;
    bool m_closeWhenIdle = false;
};

} // namespace talven
