#include "platform/ui/DialogOwner.h"

#include <QApplication>

namespace ui {

namespace {
QPointer<QWidget>& current() {
    static QPointer<QWidget> owner;
    return owner;
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
    if (QWidget* owner = current(); owner && owner->isVisible()) return owner;
    return QApplication::activeWindow();
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
