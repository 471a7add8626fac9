#include "platform/text/Quote.h"

namespace text {

std::string quotedForMessage(std::string_view text, Counted counted) {
    constexpr std::size_t kShown = 40;
    std::string shown = "'";
    std::size_t at = 0;
    std::size_t units = 0;
    while (at < text.size()) {
        std::size_t length = 1; // one UTF-8 character: its lead byte and the continuation bytes after it
        while (at + length < text.size() && (static_cast<unsigned char>(text[at + length]) & 0xC0) == 0x80)
            ++length;
        // Four UTF-8 bytes are a character that UTF-16 holds in two units.
        units += counted == Counted::Utf16Units && length == 4 ? 2 : 1;
        if (units > kShown) break;
        if (text[at] == '\0')
            shown += "\\0";
        else
            shown.append(text, at, length);
        at += length;
    }
    if (at < text.size()) shown += "...";
    return shown + "'";
}

} // namespace text
