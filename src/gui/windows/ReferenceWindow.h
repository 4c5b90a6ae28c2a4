#pragma once

#include <QWidget>

class QModelIndex;

class QLabel;

namespace talven {

class GridView;
class Prompts;

// "说明": which code stands for which number or attribute of a draw; a click on a cell puts its
// text on the clipboard for the formula box. Not modal; the main window keeps one in a
// WindowSlot<ReferenceWindow> and shows it with slot.show([&] { return new ReferenceWindow(this); }).
class ReferenceWindow : public QWidget {
    Q_OBJECT
public:
    explicit ReferenceWindow(QWidget* parent = nullptr);

    GridView* grid() const { return m_grid; }
    // The cell's text on the clipboard; an empty cell leaves the clipboard empty.
    void copyCell(const QModelIndex& index);
    void copyHeader(int column);

    // Opens the user guide that ships with the program in the desktop's browser; a missing guide
    // or browser is reported.
    static void openUserGuide(Prompts& prompts, QWidget* parent);

private:
    void putOnClipboard(const QString& text);

    GridView* m_grid = nullptr;
    QLabel* m_copied = nullptr;
};

} // namespace talven
