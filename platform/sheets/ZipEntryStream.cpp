#include "platform/sheets/ZipEntryStream.h"

#include "platform/sheets/Limits.h"
#include "platform/sheets/ReadError.h"

#include <algorithm>
#include <cstring>
#include <zip.h>

namespace sheets {

namespace {
constexpr std::size_t kAheadChunkBytes = 128 * 1024;
constexpr std::size_t kAheadChunks = 4;
} // namespace

ZipEntryStream::ZipEntryStream(zip_file* file, std::string path, std::string name, std::int64_t compressedSize,
                               bool readAhead)
    : m_file(file), m_path(std::move(path)), m_name(std::move(name)), m_compressedSize(compressedSize) {
    if (readAhead) m_inflater = std::thread(&ZipEntryStream::inflateAhead, this);
}

ZipEntryStream::~ZipEntryStream() {
    if (m_inflater.joinable()) {
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_changed.notify_all();
        m_inflater.join();
    }
    zip_fclose(m_file);
}

std::size_t ZipEntryStream::inflate(char* buffer, std::size_t size) {
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

void ZipEntryStream::inflateAhead() {
    try {
        for (;;) {
            std::vector<char> chunk(kAheadChunkBytes);
            chunk.resize(inflate(chunk.data(), chunk.size()));
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return m_chunks.size() < kAheadChunks || m_stopping; });
            if (m_stopping) return;
            if (chunk.empty()) break;
            m_chunks.push_back(std::move(chunk));
            m_changed.notify_all();
        }
    } catch (...) {
        std::lock_guard lock(m_mutex);
        m_error = std::current_exception();
    }
    std::lock_guard lock(m_mutex);
    m_ended = true;
    m_changed.notify_all();
}

std::size_t ZipEntryStream::read(char* buffer, std::size_t size) {
    if (!m_inflater.joinable()) return inflate(buffer, size);
    if (m_currentAt == m_current.size()) {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_chunks.empty() || m_ended; });
        if (m_chunks.empty()) {
            if (m_error) std::rethrow_exception(m_error);
            return 0;
        }
        m_current = std::move(m_chunks.front());
        m_chunks.pop_front();
        m_currentAt = 0;
        m_changed.notify_all();
    }
    const std::size_t n = std::min(size, m_current.size() - m_currentAt);
    std::memcpy(buffer, m_current.data() + m_currentAt, n);
    m_currentAt += n;
    return n;
}

} // namespace sheets
