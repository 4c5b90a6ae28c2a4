#pragma once

#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class QAbstractItemModel;
class QPushButton;
class QSettings;
class QSortFilterProxyModel;
class QSplitter;
class QTabBar;

namespace talven {

class FormulaListModel;
class FormulaListView;
class GridExporter;
class HitHistoryStrip;
class Session;

// The formula list: the form and kind switches and the selection commands above it, the list
// sorted for viewing with its colours and column menu, and the record strip of the current
// formula below it. The commands that need other windows are asked of the main window.
class FormulaListPanel : public QWidget {
    Q_OBJECT
public:
    FormulaListPanel(Session& session, GridExporter& exporter, QWidget* parent = nullptr);

    FormulaListModel* model() const { return m_formulas; }
    FormulaListView* view() const { return m_view; }
    HitHistoryStrip* hitHistory() const { return m_strip; }
    QTabBar* formsBar() const { return m_forms; }
    bool kindFilterOn() const;
    // The formula shown by the view's row (the list may be sorted for viewing).
    int ordinalOfViewRow(int row) const;
    // The ordinals of the formulas the list shows, in the model's order.
    QList<int> shownOrdinals() const;
    // A model of its own for an export on the worker, made as the list shows now.
    std::shared_ptr<QAbstractItemModel> modelForExport() const;

    // The split and the hidden columns, in the settings' current group.
    void restoreView(QSettings& settings);
    void saveView(QSettings& settings) const;

public slots:
    void selectAllShown();
    void invertShown();
    void showHitHistory();
    void scrollToEnd();

signals:
    void kindFilterToggled(bool on);
    void filterRequested();
    void deleteRequested(int idx);
    // The user showed or hid a column.
    void viewChanged();
    // What a click changed, for the status line.
    void notice(const QString& text);

private:
    QPushButton* button(const QString& caption, const char* name, const QString& tip = QString());
    void chooseColumns(const QPoint& at);
    void setColumnWidths();
    std::vector<bool> selectionOfShown(const std::function<bool(bool)>& change) const;

    Session& m_session;
    GridExporter& m_exporter;
    FormulaListModel* m_formulas = nullptr;
    QSortFilterProxyModel* m_sorted = nullptr;
    FormulaListView* m_view = nullptr;
    HitHistoryStrip* m_strip = nullptr;
    QTabBar* m_forms = nullptr;
    QPushButton* m_kindFilter = nullptr;
    QSplitter* m_listSplit = nullptr;
    bool m_splitRestored = false;
};

} // namespace talven
