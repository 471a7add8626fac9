#include "platform/ui/FormKit.h"

#include "platform/ui/FocusFrame.h"
#include "platform/ui/WindowPlacement.h"

#include <QAbstractButton>
#include <QWidget>

namespace ui {

void setColour(QWidget* widget, QPalette::ColorRole role, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(role, colour);
    widget->setPalette(palette);
}

void setGlyphs(QWidget* form, const GlyphSource& glyph) {
    for (QAbstractButton* button : form->findChildren<QAbstractButton*>()) {
        const QVariant name = button->property("glyph");
        if (name.isValid()) button->setIcon(glyph(name.toString()));
    }
}

void chainTabOrder(std::initializer_list<QWidget*> order) {
    QWidget* previous = nullptr;
    for (QWidget* widget : order) {
        if (previous) QWidget::setTabOrder(previous, widget);
        previous = widget;
    }
}

void setUpScreen(QWidget* screen, const QIcon& icon, const QFont& font, const QColor& background,
                 std::function<void()> beforePlacing) {
    screen->setWindowIcon(icon);
    screen->setFont(font);
    screen->setAutoFillBackground(true);
    setColour(screen, QPalette::Window, background);
    centreOnFirstShow(screen, std::move(beforePlacing));
    alwaysShowFocusFrame(screen);
}

} // namespace ui
