#pragma once

#include "widgets/GridView.h"

namespace talven {

// The formula list's view: releasing a mouse button over a row (not the right one, and without
// Ctrl or Shift, which extend the cells selected for copying) toggles that formula's selection;
// the right button asks for the context menu of the row. Its first columns can stay in view while
// the others scroll sideways: a second view of the same rows lies over them once scrolled.
class FormulaListView : public GridView {
    Q_OBJECT
public:
    explicit FormulaListView(const QString& accessibleName, QWidget* parent = nullptr);

    // Keeps the first `count` columns (in the order shown) in view; call after setModel().
    void freezeColumns(int count);
    void setModel(QAbstractItemModel* model) override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

signals:
    void rowClicked(int row);
    void menuRequested(int row, const QPoint& globalPos);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void updateGeometries() override;

private:
    bool isFrozen(int column) const;
    void syncFrozenColumns();
    void placeFrozen();

    int m_pressedRow = -1;
    int m_frozenCount = 0;
    FormulaListView* m_frozen = nullptr; // the view over the frozen columns
    FormulaListView* m_owner = nullptr;  // of a frozen view: the view it lies over
};

} // namespace talven
