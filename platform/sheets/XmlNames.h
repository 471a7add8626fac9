#pragma once

#include <cstring>

// Small helpers for the expat handlers: names compared without their prefix, attributes looked up without maps.
namespace sheets::xml {

// "x:row" -> "row"; with namespace processing "urn:... row" -> "row".
inline const char* localName(const char* name) {
    const char* result = name;
    for (const char* p = name; *p; ++p)
        if (*p == ':' || *p == ' ') result = p + 1;
    return result;
}

inline bool is(const char* name, const char* local) {
    return std::strcmp(localName(name), local) == 0;
}

// The value of the attribute whose local name is local, or nullptr.
inline const char* attribute(const char** attributes, const char* local) {
    for (const char** a = attributes; *a; a += 2)
        if (is(a[0], local)) return a[1];
    return nullptr;
}

} // namespace sheets::xml
