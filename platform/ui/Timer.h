#pragma once

#include <QObject>
#include <QTimer>

namespace ui {

// A message-loop timer with an enabled flag and an interval that can be set in either order; an interval of 0
// never ticks (a zero-millisecond Qt timer would fire without pause).
class Timer : public QObject {
    Q_OBJECT
public:
    explicit Timer(QObject* parent = nullptr, int interval = 1000, bool enabled = true);

    void setInterval(int milliseconds);
    int interval() const { return m_interval; }
    void setEnabled(bool enabled);
    bool enabled() const { return m_enabled; }
    // Whether ticks are actually coming (enabled with a non-zero interval).
    bool running() const { return m_timer.isActive(); }

signals:
    void timeout();

private:
    void apply();

    QTimer m_timer;
    int m_interval;
    bool m_enabled;
};

} // namespace ui
