#include "platform/files/EarlyWriteBack.h"

#include <fcntl.h>
#include <unistd.h>

namespace files {

EarlyWriteBack::EarlyWriteBack(const std::string& path, std::chrono::milliseconds every)
    : m_descriptor(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
    if (m_descriptor < 0) return;
    m_thread = std::thread([this, every] {
        std::unique_lock lock(m_mutex);
        while (!m_wake.wait_for(lock, every, [this] { return m_stop; })) {
            lock.unlock();
            // Starts the writing of every changed page without waiting for it.
            ::sync_file_range(m_descriptor, 0, 0, SYNC_FILE_RANGE_WRITE);
            lock.lock();
        }
    });
}

EarlyWriteBack::~EarlyWriteBack() {
    if (m_descriptor < 0) return;
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_one();
    m_thread.join();
    ::close(m_descriptor);
}

} // namespace files
