#include "core/record/CanonicalForm.h"

namespace record::canonical {

namespace {
bool needsEscape(char c) {
    return c == kNull || c == kEscape || c == kRowEnd || c == kFieldEnd;
}
} // namespace

void appendField(std::string& out, std::optional<std::string_view> value) {
    if (!value) {
        out += kNull;
        return;
    }
    // Most values hold no control byte at all: copy them whole.
    std::size_t start = 0;
    for (std::size_t i = 0; i < value->size(); ++i) {
        if (!needsEscape((*value)[i])) continue;
        out.append(*value, start, i - start);
        out += kEscape;
        start = i;
    }
    out.append(*value, start, value->size() - start);
}

void appendRow(std::string& out, std::span<const std::optional<std::string_view>> fields) {
    const int count = static_cast<int>(fields.size());
    for (int i = 0; i < count; ++i) {
        appendField(out, fields[static_cast<std::size_t>(i)]);
        appendSeparator(out, i, count);
    }
}

} // namespace record::canonical
