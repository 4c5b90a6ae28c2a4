#include "windows/UndoKeyRouter.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalBlocker>

namespace talven {

namespace {

bool canUndoTyping(QObject* box) {
    if (auto* line = qobject_cast<QLineEdit*>(box))
        return !line->isReadOnly() && line->isUndoAvailable();
    if (auto* text = qobject_cast<QPlainTextEdit*>(box))
        return !text->isReadOnly() && text->document()->isUndoAvailable();
    return false;
}

// Edits made before the box gained focus are not the user's current typing.
void forgetEdits(QObject* box) {
    if (auto* line = qobject_cast<QLineEdit*>(box)) {
        if (!line->isUndoAvailable() && !line->isRedoAvailable())
            return;
        // setText() is the only way to empty a line edit's history; the cursor stays where it was.
        const int cursor = line->cursorPosition();
        const int start = line->selectionStart();
        const int length = line->selectionLength();
        const QSignalBlocker quiet(line);
        line->setText(line->text());
        if (start >= 0)
            line->setSelection(start, length);
        else
            line->setCursorPosition(cursor);
    } else if (auto* text = qobject_cast<QPlainTextEdit*>(box)) {
        text->document()->clearUndoRedoStacks();
    }
}

} // namespace

void UndoKeyRouter::watch(QWidget* root) {
    for (QLineEdit* line : root->findChildren<QLineEdit*>())
        line->installEventFilter(this);
    for (QPlainTextEdit* text : root->findChildren<QPlainTextEdit*>())
        text->installEventFilter(this);
}

bool UndoKeyRouter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        forgetEdits(watched);
    } else if (event->type() == QEvent::ShortcutOverride &&
               static_cast<QKeyEvent*>(event)->matches(QKeySequence::Undo) && !canUndoTyping(watched)) {
        // Not claimed by the box, so the window's shortcut takes the key.
        event->ignore();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace talven
