#pragma once

#include "widgets/GridView.h"

namespace talven {

// The formula list's view: releasing a mouse button over a row (not the right one, and without
// Ctrl or Shift, which extend the cells selected for copying) toggles that formula's selection;
// the right button asks for the context menu of the row.
class FormulaListView : public GridView {
    Q_OBJECT
public:
    explicit FormulaListView(const QString& accessibleName, QWidget* parent = nullptr);

signals:
    void rowClicked(int row);
    void menuRequested(int row, const QPoint& globalPos);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int m_pressedRow = -1;
};

} // namespace talven
