#pragma once

#include <QWidget>

class QCheckBox;

namespace talven {

class DrawEntryRow;

// The band under the history grid: the entry of the newest draw, the history's commands and the
// option that shows each formula's result per draw in the grid.
class DrawEntryBand : public QWidget {
    Q_OBJECT
public:
    explicit DrawEntryBand(QWidget* parent = nullptr);

    DrawEntryRow* entryRow() const { return m_entry; }
    QCheckBox* formulaColumns() const { return m_formulaColumns; }

signals:
    void importRequested();
    void deleteRequested();
    // The option's state changed by the user (a click, a key or a screen reader's toggle).
    void formulaColumnsToggled(bool on);

private:
    DrawEntryRow* m_entry = nullptr;
    QCheckBox* m_formulaColumns = nullptr;
};

} // namespace talven
