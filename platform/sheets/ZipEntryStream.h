#pragma once

#include <cstdint>
#include <string>

struct zip_file;

namespace sheets {

// Reads one part of a zip in chunks, so that memory stays flat however large the part is, and refuses to expand
// past the limits (a zip bomb).
class ZipEntryStream {
public:
    ZipEntryStream(zip_file* file, std::string path, std::string name, std::int64_t compressedSize);
    ~ZipEntryStream();
    ZipEntryStream(const ZipEntryStream&) = delete;
    ZipEntryStream& operator=(const ZipEntryStream&) = delete;

    // Up to size bytes into buffer; 0 at the end of the part. Throws platform::Error on damage or a limit.
    std::size_t read(char* buffer, std::size_t size);

private:
    zip_file* m_file;
    std::string m_path;
    std::string m_name;
    std::int64_t m_compressedSize;
    std::int64_t m_total = 0;
};

} // namespace sheets
