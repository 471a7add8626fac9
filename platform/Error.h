#pragma once

#include <stdexcept>
#include <string>

namespace platform {

// The one exception type of the program: its message is the text the operator reads.
class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};

} // namespace platform
