#include "platform/sheets/ReadError.h"

namespace sheets {

platform::Error readError(const std::string& path, const std::string& reason) {
    return platform::Error("Cannot read \"" + path + "\": " + reason + ".");
}

void cannotRead(const std::string& path, const std::string& reason) {
    throw readError(path, reason);
}

void damagedPart(const std::string& path, const std::string& part, const std::string& what) {
    cannotRead(path, "its part " + part + " is damaged (" + what + ")");
}

} // namespace sheets
