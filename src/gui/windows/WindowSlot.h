#pragma once

#include "windows/WindowPlacement.h"

#include <QPointer>
#include <QWidget>

namespace talven {

// A secondary window its owner shows on demand: made on first use, and again once the window was
// deleted on closing; a later request shows, raises and activates it instead of opening another.
// A new window opens beside the owner; one shown again stays where the user left it.
template <typename W>
class WindowSlot {
public:
    // make() returns a new window; it is called only when the slot holds none.
    template <typename Make>
    W* show(Make make, const QWidget* owner = nullptr) {
        if (!m_window) {
            m_window = make();
            if (owner)
                placeBeside(*m_window, *owner);
        }
        if (m_window->isMinimized())
            m_window->showNormal();
        else
            m_window->show();
        m_window->raise();
        m_window->activateWindow();
        return m_window;
    }
    W* window() const { return m_window; }

private:
    QPointer<W> m_window;
};

} // namespace talven
