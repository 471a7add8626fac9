#pragma once

#include <functional>

class QKeyEvent;
class QPixmap;
class QWidget;

// The screen the hall sees, as the draw screen drives it. The audience screen (TfPenonton) is made at start-up
// beside the draw screen and follows the draw itself (core::Draw's observers); the draw screen only opens and closes
// it, gives it the logo, and takes the keys the operator presses on it.
class AudienceScreen {
public:
    using ConsoleKeys = std::function<bool(const QKeyEvent& key)>;
    virtual ~AudienceScreen() = default;

    // Opens full screen, on another monitor than the draw screen's when there is one, or closes when open.
    virtual void toggle() = 0;
    virtual void setLogo(const QPixmap& logo) = 0;
    // What the draw screen does with a key pressed on the audience screen; true when it took the key.
    virtual void setConsoleKeys(ConsoleKeys keys) = 0;
    // The window: while it covers the draw screen and is active, the draw screen's boxes show over it.
    virtual QWidget* screenWindow() = 0;
};
