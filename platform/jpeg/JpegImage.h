#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace jpeg {

// A decoded picture: 3 bytes (R, G, B) per pixel, rows top-down, no padding.
struct JpegImage {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;
};

// The largest picture either side may be; a logo never comes near it, and it bounds the memory a hostile file can ask.
inline constexpr int maxJpegSide = 8192;

// Decodes a whole JPEG file. Throws platform::Error:
//  - "Cannot open file \"<absolute path>\". <system reason>" when the file cannot be opened or read;
//  - "The logo is too large: W x H pixels (at most 8192 x 8192)" before anything is allocated for it;
//  - "JPEG error #<libjpeg message code>" for anything libjpeg refuses (53: not a JPEG, 42: empty input).
// A truncated file is not an error: the missing part decodes as grey.
JpegImage decodeJpegFile(const std::string& path);

// The same from memory.
JpegImage decodeJpeg(const unsigned char* data, std::size_t size);

// The same with a smaller limit on either side. The fuzzer uses it: pictures near 8192 x 8192 take seconds each
// under the sanitizers and would drown its search.
JpegImage decodeJpeg(const unsigned char* data, std::size_t size, int maxSide);

} // namespace jpeg
