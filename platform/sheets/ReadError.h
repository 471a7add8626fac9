#pragma once

#include "platform/Error.h"

#include <string>

namespace sheets {

// What every reader says when it refuses a file: "Cannot read "<path>": <reason>." The reason says what is wrong
// and, where the operator can mend it, what to do.
platform::Error readError(const std::string& path, const std::string& reason);
[[noreturn]] void cannotRead(const std::string& path, const std::string& reason);

// The same for damage found in one part of a zip package: "its part <part> is damaged (<what>)".
[[noreturn]] void damagedPart(const std::string& path, const std::string& part, const std::string& what);

} // namespace sheets
