#pragma once

#include <QIcon>
#include <QString>

namespace resources {

// A 16 x 16 button glyph drawn from ":/glyphs/<name>.svg", with "<name>_disabled.svg" as its Disabled look.
// Names: play, stop, monitor, calculator, chart_window, about, check, cross, door, import, upload, delete, export,
// new_row, edit_row, nav_first, nav_prior, nav_next, nav_last.
QIcon glyph(const QString& name);

// A window icon at 48, 32, 24 and 16 pixels; screen is "acak", "peserta" or "pemenang".
QIcon windowIcon(const QString& screen);

} // namespace resources
