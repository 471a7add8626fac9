#pragma once

#include <QObject>
#include <QString>
#include <exception>
#include <functional>

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

// Connects a signal to a screen's handler `void Screen::handler(QObject* sender)` through guarded().
template <class Sender, class Signal, class Screen>
QMetaObject::Connection on(Sender* sender, Signal signal, Screen* screen, void (Screen::*handler)(QObject*)) {
    return QObject::connect(sender, signal, screen,
                            [sender, screen, handler] { guarded([&] { (screen->*handler)(sender); }); });
}

} // namespace ui
