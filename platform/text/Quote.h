#pragma once

#include <string>
#include <string_view>

namespace text {

// A refused UTF-8 text as a message quotes it: in single quotes, its first 40 characters followed by "..." when it
// is longer, so a pasted page still gives a message box that fits the screen; a NUL shows as \0 rather than cutting
// the message off. A character is never cut in the middle.
// The forty are counted in characters, or, for a text that came from a Qt string, in UTF-16 units as Qt counts
// them: a character beyond the first 65536 (an emoji) is then two.
enum class Counted { Characters, Utf16Units };
std::string quotedForMessage(std::string_view text, Counted counted = Counted::Characters);

} // namespace text
