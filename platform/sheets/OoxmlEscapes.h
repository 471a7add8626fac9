#pragma once

#include "platform/sheets/Utf8.h"

#include <charconv>
#include <string>

namespace sheets {

// Office Open XML writes characters XML cannot carry as _xHHHH_ (and a literal "_x" as _x005F_x).
inline void decodeOoxmlEscapes(std::string& text) {
    // Texts are mostly a few bytes long and hold no escape: a plain loop tells sooner than a library search.
    bool escaped = false;
    for (std::size_t i = 0; i + 1 < text.size() && !escaped; ++i)
        escaped = text[i] == '_' && text[i + 1] == 'x';
    if (!escaped) return;
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned code = 0;
        if (text[i] == '_' && i + 6 < text.size() && text[i + 1] == 'x' && text[i + 6] == '_' &&
            std::from_chars(text.data() + i + 2, text.data() + i + 6, code, 16).ptr == text.data() + i + 6) {
            appendUtf8(out, code);
            i += 6;
        } else {
            out += text[i];
        }
    }
    text.swap(out);
}

} // namespace sheets
