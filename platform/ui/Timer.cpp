#include "platform/ui/Timer.h"

namespace ui {

Timer::Timer(QObject* parent, int interval, bool enabled) : QObject(parent), m_interval(interval), m_enabled(enabled) {
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &Timer::timeout);
    apply();
}

void Timer::setInterval(int milliseconds) {
    m_interval = milliseconds;
    apply();
}

void Timer::setEnabled(bool enabled) {
    m_enabled = enabled;
    apply();
}

void Timer::apply() {
    if (m_enabled && m_interval > 0)
        m_timer.start(m_interval);
    else
        m_timer.stop();
}

} // namespace ui
