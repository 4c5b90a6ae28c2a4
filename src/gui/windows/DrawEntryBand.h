#pragma once

#include <QWidget>

#include <array>

class QCheckBox;

namespace talven {

class DrawEntryRow;
class Prompts;
class Session;

// The band under the history grid: the entry of the newest draw, the history's commands and the
// option that shows each formula's result per draw in the grid.
class DrawEntryBand : public QWidget {
    Q_OBJECT
public:
    DrawEntryBand(Session& session, Prompts& prompts, QWidget* parent = nullptr);

    DrawEntryRow* entryRow() const { return m_entry; }
    QCheckBox* formulaColumns() const { return m_formulaColumns; }

public slots:
    // Stores the typed draw; a refused one keeps its boxes, so that the user can mend it.
    void storeDraw(const std::array<int, 7>& numbers, const QString& periodText);
    // "删除最后历史".
    void deleteLastDraw();

signals:
    void importRequested();
    // A draw was stored (typed) or deleted.
    void drawStored();
    void drawDeleted();
    void notice(const QString& text);
    // The option's state changed by the user (a click, a key or a screen reader's toggle).
    void formulaColumnsToggled(bool on);

private:
    Session& m_session;
    Prompts& m_prompts;
    DrawEntryRow* m_entry = nullptr;
    QCheckBox* m_formulaColumns = nullptr;
};

} // namespace talven
