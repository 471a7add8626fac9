#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QPushButton>

namespace ui {

// Enter and Escape on a screen as the operator expects from dialog-like windows: Enter in a single-line edit
// presses the first enabled default button in the order they were placed, Escape presses the cancel button
// while it is enabled, and Enter on a focused button presses that button.
class DialogKeys : public QObject {
    Q_OBJECT
public:
    explicit DialogKeys(QWidget* window);
    ~DialogKeys() override;

    void addDefaultButton(QPushButton* button);
    void setCancelButton(QPushButton* button);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_window;
    QList<QPointer<QPushButton>> m_defaults;
    QPointer<QPushButton> m_cancel;
};

} // namespace ui
