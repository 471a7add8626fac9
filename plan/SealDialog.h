#pragma once

#include "core/draw/KeyedEvent.h"

#include <QString>
#include <optional>

// "Segel Undian": the keyed draw switched on, with the public sources as the organiser will announce them (one to
// five, free text each) and how many witness values the key takes (none to five), or switched off. A dialog of the
// DAFTAR HADIAH screen, the child of the screen whose handler raised it. Its controls are named for the tests:
// chk_terverifikasi, se_sumber, ed_sumber1 .. ed_sumber5, se_saksi.
namespace SealDialog {

// What is sealed, in a sentence ("25 peserta (sidik jari 1a2b 3c4d ...), 3 hadiah, ..."), shown above the choices.
// `current`: the seal in force, whose sources and witnesses are offered again; none when the mode is off. Nothing
// when cancelled.
std::optional<core::KeyedEvent::SealRequest> ask(const QString& sealed, const std::optional<verifiable::Seal>& current);

} // namespace SealDialog
