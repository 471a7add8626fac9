#pragma once

#include <atomic>
#include <future>
#include <string>
#include <thread>

namespace record {

// The SHA-256 of a file's bytes, in hex, taken on a thread of its own from the moment this is made: an upload stores
// the file's rows meanwhile and asks for the hash only when its journal entry is written. Let go before it is done
// (a refused upload), it stops at the next block rather than read the rest of the file.
class FileSha256 {
public:
    explicit FileSha256(std::string path);
    ~FileSha256();
    FileSha256(const FileSha256&) = delete;
    FileSha256& operator=(const FileSha256&) = delete;

    // Waits for the hash (and gives it again when asked again). Throws platform::Error naming the file when it cannot
    // be read.
    std::string result();

private:
    std::atomic<bool> m_stop{false};
    std::shared_future<std::string> m_result;
    std::thread m_thread;
};

} // namespace record
