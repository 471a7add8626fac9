#include "platform/text/Quote.h"

namespace text {

std::string quotedForMessage(std::string_view text) {
    constexpr std::size_t kShownCharacters = 40;
    std::string shown = "'";
    std::size_t at = 0;
    for (std::size_t characters = 0; at < text.size() && characters < kShownCharacters; ++characters) {
        std::size_t length = 1; // one UTF-8 character: its lead byte and the continuation bytes after it
        while (at + length < text.size() && (static_cast<unsigned char>(text[at + length]) & 0xC0) == 0x80)
            ++length;
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
