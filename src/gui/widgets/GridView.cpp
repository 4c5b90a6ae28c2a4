#include "widgets/GridView.h"

#include "widgets/GridHeader.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QKeyEvent>
#include <QStyle>

#include <algorithm>
#include <map>
#include <set>

namespace talven {

GridView::GridView(const QString& accessibleName, QWidget* parent) : QTableView(parent) {
    setAccessibleName(accessibleName);
    setHorizontalHeader(new GridHeader(this));
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->hide();
}

int GridView::twipsToPixels(const QWidget* widget, int twips) {
    return qRound(twips * widget->logicalDpiX() / 1440.0);
}

void GridView::widenToContents(int first, int last) {
    // The twip widths were chosen for a smaller font: a column is never narrower than its title
    // and the texts of the rows in view (some fifty rows, not the thousands a long list has).
    if (!model())
        return;
    const int top = std::max(0, rowAt(0));
    const int rows = std::min(model()->rowCount(), top + 50);
    const int padding = 2 * style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 8;
    for (int c = first; c <= last && c < model()->columnCount(); ++c) {
        if (isColumnHidden(c))
            continue;
        int width = horizontalHeader()->sectionSizeHint(c);
        for (int r = top; r < rows; ++r)
            width = std::max(width, fontMetrics().horizontalAdvance(model()->index(r, c).data().toString()) +
                                        padding);
        setColumnWidth(c, std::max(columnWidth(c), width));
    }
}

void GridView::setColumnWidthTwips(int column, int twips) {
    if (twips <= 0)
        setColumnHidden(column, true);
    else
        setColumnWidth(column, twipsToPixels(this, twips));
}

QString GridView::selectedText() const {
    if (!model() || !selectionModel())
        return QString();
    const QModelIndexList indexes = selectionModel()->selectedIndexes();
    if (indexes.isEmpty())
        return QString();
    std::map<int, std::set<int>> cells; // row -> columns
    std::set<int> columns;
    for (const QModelIndex& index : indexes) {
        if (isColumnHidden(index.column()))
            continue;
        cells[index.row()].insert(index.column());
        columns.insert(index.column());
    }
    QStringList lines;
    // Whole columns selected: the titles come first, as a spreadsheet expects them.
    const bool wholeColumns = std::all_of(columns.begin(), columns.end(), [this](int c) {
        return selectionModel()->isColumnSelected(c, QModelIndex());
    });
    if (wholeColumns) {
        QStringList titles;
        for (int c : columns)
            titles.append(model()->headerData(c, Qt::Horizontal).toString());
        lines.append(titles.join(u'\t'));
    }
    for (const auto& [row, rowColumns] : cells) {
        QStringList texts;
        for (int c : columns)
            texts.append(rowColumns.count(c) ? model()->index(row, c).data().toString() : QString());
        lines.append(texts.join(u'\t'));
    }
    return lines.join(u'\n');
}

void GridView::copySelection() const {
    const QString text = selectedText();
    if (!text.isEmpty())
        QApplication::clipboard()->setText(text);
}

void GridView::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        copySelection();
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

} // namespace talven
