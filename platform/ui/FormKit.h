#pragma once

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QPalette>
#include <QString>
#include <functional>
#include <initializer_list>

class QWidget;

// What a screen's Designer form cannot say, said in the same few words on every screen: fonts sized in pixels,
// colours, the buttons' glyphs, and how the screen behaves as a window.
namespace ui {

// One colour of a widget's palette; the widget keeps inheriting the others.
void setColour(QWidget* widget, QPalette::ColorRole role, const QColor& colour);

// Every button of the form that names a glyph in its "glyph" property (a dynamic property in the form) shows it;
// called after setupUi().
using GlyphSource = std::function<QIcon(const QString& name)>;
void setGlyphs(QWidget* form, const GlyphSource& glyph);

// The keyboard goes from each control to the next in this order; for controls a form cannot name in its tab order,
// such as the buttons inside a compound control.
void chainTabOrder(std::initializer_list<QWidget*> order);

// The screen as a window: its icon, the font of every control that has none of its own, its background colour,
// centred within its monitor on its first showing (beforePlacing runs before each placing), and the focused
// control's frame drawn from the moment it shows. Called before setupUi(), so the controls inherit the font and
// colour as the form makes them: a control with a style sheet follows no later change of its screen's font.
void setUpScreen(QWidget* screen, const QIcon& icon, const QFont& font, const QColor& background,
                 std::function<void()> beforePlacing = {});

} // namespace ui
