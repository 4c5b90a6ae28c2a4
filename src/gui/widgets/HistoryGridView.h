#pragma once

#include "widgets/GridView.h"

#include <functional>
#include <memory>

namespace talven {

class GridExporter;
class HistoryGridModel;

// The history grid: the draws in their wave colours, each formula's result per draw when shown;
// a double-click exports it into the data directory, its menu to a file the user picks.
class HistoryGridView : public GridView {
    Q_OBJECT
public:
    // An export takes a copy of the model, made as the grid shows now.
    HistoryGridView(HistoryGridModel* model, GridExporter& exporter, QWidget* parent = nullptr);

    // What the empty grid shows.
    static QString emptyHint();

signals:
    // Ctrl+V or the menu's 粘贴开奖号码: the clipboard is to be previewed as a history.
    void pasteRequested();

public slots:
    // A long history opens scrolled to the newest draw.
    void scrollToNewest();

protected:
    void resizeEvent(QResizeEvent* event) override;
    // An empty history says what to do first, over the grid.
    void paintEvent(QPaintEvent* event) override;

private:
    void setColumnWidths();

    HistoryGridModel* m_history;
};

} // namespace talven
