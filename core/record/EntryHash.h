#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// How a journal entry is chained: hash = SHA-256(previous hash as 32 bytes || the entry's canonical bytes), the
// canonical bytes being the row (urut, waktu, jenis, rincian) in the form of CanonicalForm.h. Hashes are stored
// as 64 lower-case hex digits; the first entry's previous hash is 32 zero bytes.
namespace record {

inline constexpr char kZeroHash[] = "0000000000000000000000000000000000000000000000000000000000000000";

std::string entryHash(std::string_view previousHex, std::int64_t seq, std::string_view time, std::string_view kind,
                      std::string_view details);

} // namespace record
