#include "platform/ui/SpeedButton.h"

#include <QStyleOptionToolButton>
#include <QStylePainter>

namespace ui {

SpeedButton::SpeedButton(QWidget* parent) : QToolButton(parent) {
    setAutoRaise(true);
    setFocusPolicy(Qt::NoFocus);
    setIconSize(QSize(16, 16));
}

void SpeedButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionToolButton option;
    initStyleOption(&option);
    // The panel alone: no text or icon from the style, which would put them at the left.
    QStyleOptionToolButton panel = option;
    panel.text.clear();
    panel.icon = QIcon();
    painter.drawComplexControl(QStyle::CC_ToolButton, panel);

    const QPixmap glyph = icon().pixmap(iconSize(), isEnabled() ? QIcon::Normal : QIcon::Disabled);
    const int gap = 4;
    const int textWidth = fontMetrics().horizontalAdvance(text());
    const int left = (width() - iconSize().width() - gap - textWidth) / 2;
    const int shift = isDown() ? 1 : 0;
    painter.drawPixmap(left + shift, (height() - iconSize().height()) / 2 + shift, glyph);
    const QRect textRect(left + iconSize().width() + gap + shift, shift, textWidth + 1, height());
    style()->drawItemText(&painter, textRect, Qt::AlignLeft | Qt::AlignVCenter, palette(), isEnabled(), text(),
                          QPalette::ButtonText);
}

} // namespace ui
