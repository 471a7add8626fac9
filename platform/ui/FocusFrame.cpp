#include "platform/ui/FocusFrame.h"

#include <QEvent>
#include <QWidget>

namespace ui {

namespace {

class FocusFrameOnShow : public QObject {
public:
    explicit FocusFrameOnShow(QWidget* window) : QObject(window) { window->installEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && watched == parent())
            static_cast<QWidget*>(watched)->setAttribute(Qt::WA_KeyboardFocusChange);
        return false;
    }
};

} // namespace

void alwaysShowFocusFrame(QWidget* window) {
    new FocusFrameOnShow(window);
}

} // namespace ui
