#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct zip_file;

namespace sheets {

// Reads one part of a zip in chunks, so that memory stays flat however large the part is, and refuses to expand
// past the limits (a zip bomb). With read-ahead, a thread of its own inflates the next chunks while the reader
// scans the ones before: inflating is as much work as scanning, and the two then overlap. The zip must not be used
// otherwise while such a stream is open.
class ZipEntryStream {
public:
    ZipEntryStream(zip_file* file, std::string path, std::string name, std::int64_t compressedSize,
                   bool readAhead = false);
    ~ZipEntryStream();
    ZipEntryStream(const ZipEntryStream&) = delete;
    ZipEntryStream& operator=(const ZipEntryStream&) = delete;

    // Up to size bytes into buffer; 0 at the end of the part. Throws platform::Error on damage or a limit.
    std::size_t read(char* buffer, std::size_t size);

private:
    std::size_t inflate(char* buffer, std::size_t size);
    void inflateAhead();

    zip_file* m_file;
    std::string m_path;
    std::string m_name;
    std::int64_t m_compressedSize;
    std::int64_t m_total = 0;

    // Read-ahead: inflated chunks waiting, the one being read, and how the inflating thread ended.
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::vector<char>> m_chunks;
    std::vector<char> m_current;
    std::size_t m_currentAt = 0;
    bool m_ended = false;
    bool m_stopping = false;
    std::exception_ptr m_error;
    std::thread m_inflater;
};

} // namespace sheets
