#include "platform/sheets/ZipEntryStream.h"

#include "platform/sheets/Limits.h"
#include "platform/sheets/ReadError.h"

#include <algorithm>
#include <zip.h>

namespace sheets {

ZipEntryStream::ZipEntryStream(zip_file* file, std::string path, std::string name, std::int64_t compressedSize)
    : m_file(file), m_path(std::move(path)), m_name(std::move(name)), m_compressedSize(compressedSize) {}

ZipEntryStream::~ZipEntryStream() {
    zip_fclose(m_file);
}

std::size_t ZipEntryStream::read(char* buffer, std::size_t size) {
    const zip_int64_t n = zip_fread(m_file, buffer, size);
    if (n < 0) damagedPart(m_path, m_name, zip_file_strerror(m_file));
    m_total += n;
    if (m_total > limits::kMaxPartBytes)
        cannotRead(m_path, "its part " + m_name + " expands to more than " +
                               std::to_string(limits::kMaxPartBytes / (1024 * 1024)) + " MB");
    if (m_total > limits::kRatioCheckAfterBytes &&
        m_total / std::max<std::int64_t>(m_compressedSize, 1) > limits::kMaxCompressionRatio)
        cannotRead(m_path, "its part " + m_name + " expands more than " + std::to_string(limits::kMaxCompressionRatio) +
                               " times its compressed size (a zip bomb?)");
    return static_cast<std::size_t>(n);
}

} // namespace sheets
