#include "platform/Error.h"
#include "platform/jpeg/JpegImage.h"

#include <cstddef>
#include <cstdint>

// Either side at most 1024 pixels: the decoding paths are the same as at 8192, and thousands of runs a second beat a
// few.
constexpr int fuzzMaxSide = 1024;

// Any input must either decode or be refused with platform::Error; anything else (a crash, a sanitizer report, an
// escaping exception of another type) is a finding.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        jpeg::decodeJpeg(data, size, fuzzMaxSide);
    } catch (const platform::Error&) {
    }
    return 0;
}
