#pragma once

#include "core/Version.h"
#include "core/minutes/Minutes.h"

#include <QString>

// The program as a whole, beside Qt's application object: its title and version, its fonts, the default error
// handler, and the creation of the four long-lived objects in their fixed order.
namespace program {

// Where the record of the draws is documented: docs/record.md as installed beside the program (the build puts it
// there too); empty when it is not there.
QString recordDocumentation();
// The heading of the minutes made now by this program.
Minutes::Header minutesHeader();

// Sets the title, the font substitutions and the default error handler.
void initialize();

// Creates DTModule, fAcak, fPemenang and fPeserta in this order. An error in a creation handler is shown by the
// default error handler and the creation goes on.
void createForms();
void destroyForms();

// The default error handler: the message in a box with the title, the stop icon and one OK button.
void showException(const QString& message);

// A full stop is added when the message's last character comes after "." in character-code order.
QString withFullStop(const QString& message);

// Verdana and Bookman Old Style, or close substitutes where they are not installed.
void setupFonts();

} // namespace program
