#include "platform/ui/DialogOwner.h"

#include <QApplication>
#include <QList>

namespace ui {

namespace {
QPointer<QWidget>& current() {
    static QPointer<QWidget> owner;
    return owner;
}
struct StandIn {
    QPointer<const QWidget> screen;
    QPointer<QWidget> window;
};
QList<StandIn>& standIns() {
    static QList<StandIn> list;
    return list;
}
} // namespace

DialogOwner::DialogOwner(const QWidget* widget) : m_previous(current()) {
    if (widget) current() = widget->window(); // without a widget the enclosing owner stays
}

DialogOwner::~DialogOwner() {
    current() = m_previous;
}

QWidget* DialogOwner::parentForDialog() {
    // A hidden window cannot hold a dialog above itself; the active one is the best guess then.
    if (QWidget* owner = current(); owner && owner->isVisible()) {
        for (const StandIn& standIn : standIns())
            if (standIn.screen == owner && standIn.window && standIn.window->isVisible() &&
                standIn.window->isActiveWindow())
                return standIn.window;
        return owner;
    }
    return QApplication::activeWindow();
}

void DialogOwner::setStandIn(const QWidget* screen, QWidget* standIn) {
    QList<StandIn>& list = standIns();
    list.removeIf([&](const StandIn& s) { return !s.screen || s.screen == screen; });
    if (standIn) list.append({screen, standIn});
}

void DialogOwner::keepAboveScreensOnTop(QWidget* dialog) {
    const QWidget* owner = dialog->parentWidget() ? dialog->parentWidget()->window() : nullptr;
    for (const QWidget* window : QApplication::topLevelWidgets()) {
        if (window != dialog && window != owner && window->isVisible() &&
            window->windowFlags().testFlag(Qt::WindowStaysOnTopHint)) {
            dialog->setWindowFlag(Qt::WindowStaysOnTopHint);
            return;
        }
    }
}

} // namespace ui
