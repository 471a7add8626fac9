#include "platform/ui/ErrorHandler.h"

#include <cstdio>

namespace ui {

namespace {
ErrorHandlerFunction& installed() {
    static ErrorHandlerFunction handler;
    return handler;
}
} // namespace

void setErrorHandler(ErrorHandlerFunction handler) {
    installed() = std::move(handler);
}

void reportError(const QString& message) {
    if (installed()) {
        installed()(message);
        return;
    }
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

} // namespace ui
