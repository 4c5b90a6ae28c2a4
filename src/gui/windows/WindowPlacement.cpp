#include "windows/WindowPlacement.h"

#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace talven {

void placeBeside(QWidget& window, const QWidget& owner) {
    const QScreen* screen = owner.screen();
    if (!screen)
        return;
    constexpr int gap = 8;
    const QRect room = screen->availableGeometry();
    const QRect beside = owner.frameGeometry();
    // Before the first show the frame is not known yet: the owner's stands in. A window that did
    // not size itself gets the size its layout asks for, as showing it would give.
    if (!window.isVisible() && !window.testAttribute(Qt::WA_Resized))
        window.adjustSize();
    const QWidget& framed = window.isVisible() ? window : owner;
    const QSize frame = framed.frameGeometry().size() - framed.size();
    const QSize outer = (window.size() + frame).boundedTo(room.size());
    window.resize(outer - frame);

    int x = room.left();
    if (beside.right() + gap + outer.width() <= room.right() + 1)
        x = beside.right() + 1 + gap;
    else if (beside.left() - gap - outer.width() >= room.left())
        x = beside.left() - gap - outer.width();
    const int y = std::clamp(beside.top(), room.top(), room.bottom() + 1 - outer.height());
    window.move(x, y);
}

void fitOnScreen(QWidget& window) {
    const QScreen* screen = window.screen();
    if (!screen || window.isMaximized() || window.isFullScreen())
        return;
    const QRect room = screen->availableGeometry();
    // Before the first show the frame is not known: the frame a window manager adds is allowed for.
    const QSize frame = window.isVisible() ? window.frameGeometry().size() - window.size() : QSize(16, 40);
    const QSize outer = (window.size() + frame).boundedTo(room.size());
    window.resize(outer - frame);
    const QPoint at = window.isVisible() ? window.frameGeometry().topLeft() : window.pos();
    window.move(std::clamp(at.x(), room.left(), room.right() + 1 - outer.width()),
                std::clamp(at.y(), room.top(), room.bottom() + 1 - outer.height()));
}

} // namespace talven
