#include "platform/ui/WindowPlacement.h"

#include <QEvent>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <algorithm>

namespace ui {

namespace {

// How often, and how long at most, to look whether the window manager has framed a new window.
constexpr int kFramePollMs = 25;
constexpr int kFramePolls = 80;

void placeCentred(QWidget* window) {
    if (const QScreen* screen = window->screen())
        window->move(centredFramePosition(screen->availableGeometry(), window->frameGeometry().size()));
}

class FirstShowCentring : public QObject {
public:
    FirstShowCentring(QWidget* window, std::function<void()> beforePlacing)
        : QObject(window), m_window(window), m_beforePlacing(std::move(beforePlacing)) {
        window->installEventFilter(this);
        m_poll.setInterval(kFramePollMs);
        connect(&m_poll, &QTimer::timeout, this, &FirstShowCentring::placeForFrame);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != m_window || event->type() != QEvent::Show) return false;
        m_window->removeEventFilter(this);
        place(); // the frame is not known yet: placed as if it had none
        m_placedClient = m_window->geometry().topLeft();
        m_poll.start();
        return false;
    }

private:
    void place() {
        if (m_beforePlacing) m_beforePlacing();
        placeCentred(m_window);
    }

    // Once the frame is there, the window is placed again for its real size. The window manager keeps the client
    // area where it was put while it adds the frame; a client area that moved was moved by the operator.
    void placeForFrame() {
        const bool framed = m_window->frameGeometry() != m_window->geometry();
        if (framed && m_window->geometry().topLeft() == m_placedClient) place();
        if (framed || m_window->geometry().topLeft() != m_placedClient || ++m_polls >= kFramePolls) m_poll.stop();
    }

    QWidget* m_window;
    std::function<void()> m_beforePlacing;
    QTimer m_poll;
    QPoint m_placedClient;
    int m_polls = 0;
};

} // namespace

QPoint centredFramePosition(const QRect& available, const QSize& frame) {
    const int x = available.left() + std::max(0, (available.width() - frame.width()) / 2);
    const int y = available.top() + std::max(0, (available.height() - frame.height()) / 2);
    return {x, y};
}

void centreOnFirstShow(QWidget* window, std::function<void()> beforePlacing) {
    new FirstShowCentring(window, std::move(beforePlacing));
}

} // namespace ui
