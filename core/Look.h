#pragma once

#include "core/Version.h"

#include <QColor>
#include <QFont>

// The program's look, one for the three screens, the audience screen and the minutes: its colours, its typefaces
// and its title (program::Title, core/Version.h).
namespace look {

// The screens' background.
inline const QColor Background{0xF5, 0xFF, 0xDF};
// The dark bands (the draw screen's bottom band and speed box, the grids' headings) and the teal of their edges.
inline const QColor Band{0x53, 0x56, 0x5B};
inline const QColor BandEdge{0x8A, 0xC9, 0xCE};
// The black band of the draw number, its green edge and the number's lime.
inline const QColor DisplayEdge{0x00, 0x80, 0x40};
inline const QColor Number{0x00, 0xFF, 0x00};
// The draw screen's central panel, the colons beside its captions, and the banner in the top band.
inline const QColor Panel{0xF1, 0xF1, 0xEF};
inline const QColor Separator{0x00, 0x40, 0x80};
inline const QColor Banner{0x7C, 0xB9, 0x00};
// A participant's details, and the prize.
inline const QColor Detail{0xFF, 0x80, 0x00};
inline const QColor Prize{0x00, 0x80, 0xFF};
// The speed field, and the notice in the bottom band.
inline const QColor SpeedField{0xC0, 0xC0, 0xC0};
inline const QColor Notice{0xFF, 0xFF, 0x80};

// The typefaces as the screens name them; where one is not installed, a close one stands in (substituteFonts()).
inline const QString ScreenFamily = QStringLiteral("Verdana");
inline const QString NumberFamily = QStringLiteral("Bookman Old Style");
inline const QString WinnersFamily = QStringLiteral("MS Sans Serif");

// The banner in the top band of the draw screen and of the audience screen.
inline const QString BannerText = program::Title + QStringLiteral(" Application");

// A font of one of those families at a size in pixels (the screens are laid out in pixels).
QFont font(const QString& family, int pixels, bool bold = false);
// The screens' font, and the draw number's (bold).
QFont screenFont(int pixels, bool bold = false);
QFont numberFont(int pixels);

// Verdana, Bookman Old Style and MS Sans Serif, or close substitutes where they are not installed.
void substituteFonts();

} // namespace look
