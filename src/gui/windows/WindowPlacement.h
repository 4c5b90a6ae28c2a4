#pragma once

class QWidget;

namespace talven {

// Moves window beside owner (right of it, else left of it) and fully onto owner's screen, shrunk
// to the screen where it is larger. When neither side has room, it goes to the screen's left edge,
// over the history rather than the formula entry at the owner's top right.
void placeBeside(QWidget& window, const QWidget& owner);

// Shrinks window to its screen's available area and moves it fully onto it: a size saved under
// another screen or scale would otherwise come back cut by the screen's edges.
void fitOnScreen(QWidget& window);

} // namespace talven
