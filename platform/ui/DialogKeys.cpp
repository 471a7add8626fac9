#include "platform/ui/DialogKeys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

namespace ui {

DialogKeys::DialogKeys(QWidget* window) : QObject(window), m_window(window) {
    qApp->installEventFilter(this);
}

DialogKeys::~DialogKeys() {
    qApp->removeEventFilter(this);
}

void DialogKeys::addDefaultButton(QPushButton* button) {
    m_defaults.append(button);
}

void DialogKeys::setCancelButton(QPushButton* button) {
    m_cancel = button;
}

bool DialogKeys::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != m_window) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() & ~Qt::KeypadModifier) return false;
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    auto* edit = qobject_cast<QLineEdit*>(widget);
    auto* button = qobject_cast<QAbstractButton*>(widget);

    if (enter && edit) {
        for (const auto& candidate : m_defaults) {
            if (candidate && candidate->isEnabled() && candidate->isVisible()) {
                candidate->click();
                return true;
            }
        }
        return false;
    }
    if (enter && button && button->isEnabled()) {
        button->click();
        return true;
    }
    if (key->key() == Qt::Key_Escape && (edit || button)) {
        if (m_cancel && m_cancel->isEnabled() && m_cancel->isVisible()) m_cancel->click();
        return true;
    }
    return false;
}

} // namespace ui
