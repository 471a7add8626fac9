#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace text {

// A whole decimal number as an operator types it: digits with an optional sign, blanks around them ignored.
// Nothing else is a number here: no fractions, exponents, hexadecimal, inner blanks or values beyond 64 bits.
std::optional<std::int64_t> parseInteger(std::string_view text);

} // namespace text
