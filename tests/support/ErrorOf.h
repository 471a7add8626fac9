#pragma once

#include "platform/Error.h"

#include <functional>
#include <string>

// The message of the platform::Error that the call throws, or "<no error>".
inline std::string errorOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const platform::Error& error) {
        return error.what();
    }
    return "<no error>";
}
