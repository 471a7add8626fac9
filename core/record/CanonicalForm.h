#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

// The canonical bytes that the participants' fingerprint and the journal's hashes are taken over. A row is its
// fields in order, each followed by US (0x1F) but the last, which is followed by RS (0x1E). A NULL field is the
// single byte NUL (0x00); a value is its bytes (UTF-8 text), with ESC (0x1B) put before every NUL, ESC, RS or US
// byte it holds. So an empty text (no bytes) differs from NULL, and no value, whatever it holds, can pass for a
// separator: the bytes read back into exactly one list of rows.
namespace record::canonical {

inline constexpr char kNull = '\x00';
inline constexpr char kEscape = '\x1b';
inline constexpr char kRowEnd = '\x1e';
inline constexpr char kFieldEnd = '\x1f';

// Appends one field, escaped, without a separator.
void appendField(std::string& out, std::optional<std::string_view> value);

// Appends the separator that follows field `index` of a row of `count` fields.
inline void appendSeparator(std::string& out, int index, int count) {
    out += index + 1 < count ? kFieldEnd : kRowEnd;
}

// Appends one whole row: its fields with their separators.
void appendRow(std::string& out, std::span<const std::optional<std::string_view>> fields);

} // namespace record::canonical
