#pragma once

#include "core/verifiable/SealedEvent.h"

#include <QString>
#include <optional>
#include <vector>

// The key of a keyed draw, before its first round: one field for the value of each public source the seal names
// and one for each witness, and below them the values as the key will take them (runs of white space made one, the
// ends trimmed), shown as they are typed. A dialog of the draw screen; its fields are named for the tests:
// ed_nilai1 .., ed_saksi1 .., and lbl_dipakai shows the values as used.
namespace KeyDialog {

struct Values {
    std::vector<QString> publicValues; // as typed
    std::vector<QString> witnessValues;
};

// Nothing when cancelled. OK waits until every value is filled in.
std::optional<Values> ask(const verifiable::Seal& seal);

// The values as the key takes them, one a line, each named by its source: what the dialog and the confirmation show.
QString asUsed(const verifiable::Seal& seal, const Values& values);

} // namespace KeyDialog
