#pragma once

#include <QObject>

class QWidget;

namespace talven {

// Ctrl+Z in a text box first undoes what the user typed there since the box gained focus; with
// nothing of that left, the key reaches the window's own undo.
class UndoKeyRouter : public QObject {
    Q_OBJECT
public:
    explicit UndoKeyRouter(QObject* parent = nullptr) : QObject(parent) {}

    // Watches every line edit and plain text box under root.
    void watch(QWidget* root);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace talven
