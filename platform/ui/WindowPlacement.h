#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <functional>

class QWidget;

namespace ui {

// Where the top-left corner of a window's frame goes: centred in the screen's available area (the screen without
// its panels), but never above or left of that area, so the title bar can always be reached; a window larger than
// the area starts at its top or left edge.
QPoint centredFramePosition(const QRect& available, const QSize& frame);

// Centres a top-level window within its screen's available area when it is first shown; later showings keep the
// place it had when it was hidden. The window manager gives the window its frame only once it is mapped, so the
// place is worked out again when the frame is there, unless the operator has moved the window meanwhile.
// beforePlacing runs before each placing (e.g. to size the window by its frame).
void centreOnFirstShow(QWidget* window, std::function<void()> beforePlacing = {});

} // namespace ui
