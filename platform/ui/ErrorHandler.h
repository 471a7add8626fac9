#pragma once

#include "platform/ui/DialogOwner.h"

#include <QObject>
#include <QString>
#include <QWidget>
#include <exception>
#include <functional>
#include <type_traits>

namespace ui {

// The application's default error handler: every error that ends an event handler is handed to it.
using ErrorHandlerFunction = std::function<void(const QString& message)>;
void setErrorHandler(ErrorHandlerFunction handler);
void reportError(const QString& message);

// Runs a step of an event handler; an exception ends it and goes to the default error handler, so no
// exception ever crosses Qt's event loop.
template <class Function> void guarded(Function&& function) {
    try {
        function();
    } catch (const std::exception& error) {
        reportError(QString::fromUtf8(error.what()));
    } catch (...) {
        reportError(QStringLiteral("Unknown error"));
    }
}

// The same, for a step raised on a screen: the screen owns the dialogs shown meanwhile, the error's box included.
template <class Function> void guarded(const QWidget* screen, Function&& function) {
    DialogOwner owner(screen);
    guarded(std::forward<Function>(function));
}

// Connects a signal to a screen's handler `void Screen::handler(QObject* sender)` through guarded(); the screen,
// or the window of a sender that is a widget, owns the dialogs the handler raises.
template <class Sender, class Signal, class Screen>
QMetaObject::Connection on(Sender* sender, Signal signal, Screen* screen, void (Screen::*handler)(QObject*)) {
    return QObject::connect(sender, signal, screen, [sender, screen, handler] {
        const QWidget* raiser = nullptr;
        if constexpr (std::is_base_of_v<QWidget, Screen>)
            raiser = screen;
        else if constexpr (std::is_base_of_v<QWidget, Sender>)
            raiser = sender;
        guarded(raiser, [&] { (screen->*handler)(sender); });
    });
}

} // namespace ui
