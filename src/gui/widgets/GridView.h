#pragma once

#include <QTableView>

namespace talven {

// The table view of every grid: Ctrl+C copies the selected cells as tab-separated text (with the
// header row when whole columns are selected), widths are given in twips as the lists are laid
// out, and it is an accessible table named by its caption.
class GridView : public QTableView {
    Q_OBJECT
public:
    explicit GridView(const QString& accessibleName, QWidget* parent = nullptr);

    // Width of a column in twips (1/1440 inch), converted through the screen's logical DPI.
    void setColumnWidthTwips(int column, int twips);
    static int twipsToPixels(const QWidget* widget, int twips);
    // Widens columns first..last where their title or the cells shown need more room.
    void widenToContents(int first, int last);

    // The selected cells as text: rows by line breaks, columns by tabs.
    QString selectedText() const;
    void copySelection() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace talven
