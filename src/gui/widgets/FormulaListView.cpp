#include "widgets/FormulaListView.h"

#include <QMouseEvent>

namespace talven {

FormulaListView::FormulaListView(const QString& accessibleName, QWidget* parent)
    : GridView(accessibleName, parent) {}

void FormulaListView::mousePressEvent(QMouseEvent* event) {
    m_pressedRow = indexAt(event->position().toPoint()).row();
    GridView::mousePressEvent(event);
}

void FormulaListView::mouseReleaseEvent(QMouseEvent* event) {
    GridView::mouseReleaseEvent(event);
    const int row = indexAt(event->position().toPoint()).row();
    if (row < 0)
        return;
    if (event->button() == Qt::RightButton) {
        emit menuRequested(row, event->globalPosition().toPoint());
        return;
    }
    if (event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier) || row != m_pressedRow)
        return;
    emit rowClicked(row);
}

} // namespace talven
