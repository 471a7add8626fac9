#pragma once

#include <stdexcept>
#include <string>

namespace platform {

// The one exception type of the program: its message is the text the operator reads. A refusal by the database
// also carries the database's own code, so a screen can say in its words what was refused.
class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message, int code = 0) : std::runtime_error(message), m_code(code) {}
    // The database's extended result code; 0 when the error did not come from the database.
    int code() const { return m_code; }

private:
    int m_code = 0;
};

} // namespace platform
