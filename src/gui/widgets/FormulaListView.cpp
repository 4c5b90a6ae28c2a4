#include "widgets/FormulaListView.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSignalBlocker>

using namespace Qt::StringLiterals;

namespace talven {

FormulaListView::FormulaListView(const QString& accessibleName, QWidget* parent)
    : GridView(accessibleName, parent) {}

void FormulaListView::freezeColumns(int count) {
    m_frozenCount = count;
    if (!m_frozen) {
        m_frozen = new FormulaListView(u"%1（固定列）"_s.arg(accessibleName()), this);
        m_frozen->setObjectName(u"frozenColumns"_s);
        m_frozen->m_owner = this;
        m_frozen->setFocusPolicy(Qt::NoFocus);
        m_frozen->setFrameShape(QFrame::NoFrame);
        m_frozen->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        m_frozen->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        m_frozen->setSelectionMode(selectionMode());
        m_frozen->setSelectionBehavior(selectionBehavior());
        m_frozen->hide();
        viewport()->stackUnder(m_frozen);
        setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);

        // A click, a double-click or a menu over the frozen columns is one over this list.
        connect(m_frozen, &FormulaListView::rowClicked, this, &FormulaListView::rowClicked);
        connect(m_frozen, &FormulaListView::menuRequested, this, &FormulaListView::menuRequested);
        connect(m_frozen, &QAbstractItemView::doubleClicked, this, &QAbstractItemView::doubleClicked);
        QHeaderView* frozenHeader = m_frozen->horizontalHeader();
        frozenHeader->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(frozenHeader, &QWidget::customContextMenuRequested, this,
                [this, frozenHeader](const QPoint& at) {
                    if (horizontalHeader()->contextMenuPolicy() == Qt::CustomContextMenu)
                        emit horizontalHeader()->customContextMenuRequested(
                            horizontalHeader()->mapFromGlobal(frozenHeader->mapToGlobal(at)));
                });
        // Sorting by a frozen column sorts this list; the indicator shows on both headers.
        frozenHeader->setSortIndicatorShown(true);
        frozenHeader->setSectionsClickable(true);
        connect(frozenHeader, &QHeaderView::sortIndicatorChanged, this,
                [this](int column, Qt::SortOrder order) { sortByColumn(column, order); });
        connect(horizontalHeader(), &QHeaderView::sortIndicatorChanged, m_frozen,
                [frozenHeader](int column, Qt::SortOrder order) {
                    const QSignalBlocker quiet(frozenHeader);
                    frozenHeader->setSortIndicator(column, order);
                });
        connect(horizontalHeader(), &QHeaderView::sectionResized, this, &FormulaListView::syncFrozenColumns);
        connect(horizontalHeader(), &QHeaderView::sectionMoved, this, &FormulaListView::syncFrozenColumns);
        connect(frozenHeader, &QHeaderView::sectionResized, this, [this](int column, int, int width) {
            if (isFrozen(column) && width > 0 && columnWidth(column) != width)
                setColumnWidth(column, width);
        });
        connect(verticalScrollBar(), &QScrollBar::valueChanged, m_frozen->verticalScrollBar(),
                &QScrollBar::setValue);
        connect(m_frozen->verticalScrollBar(), &QScrollBar::valueChanged, verticalScrollBar(),
                &QScrollBar::setValue);
        connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, &FormulaListView::placeFrozen);
    }
    m_frozen->setModel(model());
    syncFrozenColumns();
}

void FormulaListView::setModel(QAbstractItemModel* model) {
    GridView::setModel(model);
    if (!m_frozen)
        return;
    m_frozen->setModel(model);
    syncFrozenColumns();
}

bool FormulaListView::isFrozen(int column) const {
    const int shown = horizontalHeader()->visualIndex(column);
    return shown >= 0 && shown < m_frozenCount;
}

void FormulaListView::syncFrozenColumns() {
    if (!m_frozen || !model())
        return;
    if (m_frozen->model() != model())
        m_frozen->setModel(model());
    if (m_frozen->selectionModel() != selectionModel())
        m_frozen->setSelectionModel(selectionModel());
    for (int c = 0; c < model()->columnCount(); ++c) {
        const bool hidden = !isFrozen(c) || isColumnHidden(c);
        if (m_frozen->isColumnHidden(c) != hidden)
            m_frozen->setColumnHidden(c, hidden);
        if (!hidden && m_frozen->columnWidth(c) != columnWidth(c))
            m_frozen->setColumnWidth(c, columnWidth(c));
    }
    placeFrozen();
}

void FormulaListView::placeFrozen() {
    if (!m_frozen)
        return;
    int width = 0;
    for (int shown = 0; shown < m_frozenCount; ++shown)
        width += columnWidth(horizontalHeader()->logicalIndex(shown));
    // Never more than half the list: the other columns must still have room to be read.
    width = std::min(width, viewport()->width() / 2);
    // Unscrolled, the list shows the same columns in the same place.
    const bool over = horizontalScrollBar()->value() > 0 && width > 0 && model();
    m_frozen->setVisible(over);
    if (!over)
        return;
    const int left = frameWidth() + (verticalHeader()->isVisible() ? verticalHeader()->width() : 0);
    m_frozen->horizontalHeader()->setFixedHeight(horizontalHeader()->height());
    m_frozen->setGeometry(left, frameWidth(), width, horizontalHeader()->height() + viewport()->height());
    m_frozen->verticalScrollBar()->setValue(verticalScrollBar()->value());
}

void FormulaListView::updateGeometries() {
    GridView::updateGeometries();
    placeFrozen();
}

void FormulaListView::scrollTo(const QModelIndex& index, ScrollHint hint) {
    if (m_frozen && index.isValid() && isFrozen(index.column())) {
        // A frozen cell is in view at any sideways position: only the rows move.
        const int across = horizontalScrollBar()->value();
        GridView::scrollTo(index, hint);
        horizontalScrollBar()->setValue(across);
        return;
    }
    GridView::scrollTo(index, hint);
    if (!m_frozen || !index.isValid())
        return;
    // A cell reached with the keyboard is not left under the frozen columns.
    placeFrozen();
    const int covered = m_frozen->isVisible() ? m_frozen->width() : 0;
    const int left = visualRect(index).left();
    if (left < covered)
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() - (covered - left));
}

void FormulaListView::mousePressEvent(QMouseEvent* event) {
    m_pressedRow = indexAt(event->position().toPoint()).row();
    if (m_owner)
        m_owner->setFocus(Qt::MouseFocusReason); // the keys stay with the list
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
