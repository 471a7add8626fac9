#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace files {

// Starts the writing to disk of a file's changed pages now and then, from a thread of its own, while something else
// keeps changing the file: a long transaction's final sync then has little left to wait for. Ten million rows are
// half a gigabyte of changed pages that the system would otherwise keep in memory until the commit's sync, which
// waited some 0.4 s for the disk with the screen standing still. Changes nothing of what is written, or when it
// counts as written: only starts early what the sync would do. A file that cannot be opened is left alone.
class EarlyWriteBack {
public:
    EarlyWriteBack(const std::string& path, std::chrono::milliseconds every);
    ~EarlyWriteBack();
    EarlyWriteBack(const EarlyWriteBack&) = delete;
    EarlyWriteBack& operator=(const EarlyWriteBack&) = delete;

private:
    int m_descriptor = -1;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    std::thread m_thread;
};

} // namespace files
