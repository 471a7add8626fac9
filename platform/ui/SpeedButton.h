#pragma once

#include <QToolButton>

namespace ui {

// A flat button whose glyph and caption sit together in the middle, raised only under the mouse. It never takes
// the focus.
class SpeedButton : public QToolButton {
    Q_OBJECT
public:
    explicit SpeedButton(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace ui
