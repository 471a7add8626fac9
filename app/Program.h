#pragma once

#include "core/Version.h"

#include <QString>

// The program as a whole, beside Qt's application object: its title and version, its fonts, the default error
// handler, and the creation of the long-lived objects in their fixed order.
namespace program {

// Sets the title, the font substitutions and the default error handler.
void initialize();

// Creates DTModule, fAcak (with the audience screen fPenonton beside it), fPemenang, fPeserta and fHadiah (the prize
// plan) in this order, handing each screen the data module's session. An error in a creation handler is shown by the
// default error handler and the creation goes on.
void createForms();
void destroyForms();

// The default error handler: the message in a box with the title, the stop icon and one OK button.
void showException(const QString& message);

// A full stop is added when the message's last character comes after "." in character-code order.
QString withFullStop(const QString& message);

} // namespace program
