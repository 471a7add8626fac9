#pragma once

#include <QPointer>
#include <QWidget>

namespace ui {

// The screen whose handler is running owns the dialogs raised meanwhile: a message box or a file dialog is made
// its child, so the window manager keeps it above that screen, even above a screen that stays on top. Scopes nest;
// the innermost one owns.
class DialogOwner {
public:
    // Any widget of the screen will do: its window owns. Without a widget, the enclosing owner goes on owning.
    explicit DialogOwner(const QWidget* widget);
    ~DialogOwner();
    DialogOwner(const DialogOwner&) = delete;
    DialogOwner& operator=(const DialogOwner&) = delete;

    // The parent for a dialog raised now: the owning screen when it is shown (or the window standing in for it),
    // else the active window (none at start-up, before any screen is shown).
    static QWidget* parentForDialog();
    // A window that covers a screen and takes its keys (the audience screen over the draw screen on a single
    // monitor): while it is the active window, the dialogs raised for that screen are its own. Owned by the screen,
    // a dialog would make the window manager bring the covered screen to the front with it.
    static void setStandIn(const QWidget* screen, QWidget* standIn);
    // A dialog whose owner may lie beneath another screen that stays on top (the draw screen's box while the
    // winners screen is open over it) stays on top itself, or the window manager could hide it under that screen.
    static void keepAboveScreensOnTop(QWidget* dialog);

private:
    QPointer<QWidget> m_previous;
};

} // namespace ui
