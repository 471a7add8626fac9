#include "core/record/FileSha256.h"

#include "platform/Error.h"
#include "platform/digest/Sha256.h"

#include <QFile>
#include <filesystem>
#include <vector>

namespace record {

namespace {

// Large enough that the hash, not the reading, takes the time; small enough to stop soon when let go and to add
// little to the upload's memory.
constexpr qint64 kBlock = 256 * 1024;

std::string hashFile(const std::string& path, const std::atomic<bool>& stop) {
    QFile file(QString::fromStdString(path));
    const auto cannotRead = [&] {
        return platform::Error("Cannot read '" + path + "': " + file.errorString().toStdString());
    };
    // Only a regular file: opening a pipe would wait for a writer, and a device may never end.
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        throw platform::Error("Cannot read '" + path + "': not a regular file");
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) throw cannotRead();
    digest::Sha256 hash;
    std::vector<char> block(static_cast<std::size_t>(kBlock));
    for (;;) {
        if (stop.load(std::memory_order_relaxed)) return {};
        const qint64 read = file.read(block.data(), kBlock);
        if (read < 0) throw cannotRead();
        if (read == 0) break;
        hash.addData(std::string_view(block.data(), static_cast<std::size_t>(read)));
    }
    return hash.hexResult();
}

} // namespace

FileSha256::FileSha256(std::string path) {
    std::promise<std::string> promise;
    m_result = promise.get_future().share();
    m_thread = std::thread([this, promise = std::move(promise), path = std::move(path)]() mutable {
        try {
            promise.set_value(hashFile(path, m_stop));
        } catch (...) {
            promise.set_exception(std::current_exception());
        }
    });
}

FileSha256::~FileSha256() {
    m_stop = true;
    m_thread.join();
}

std::string FileSha256::result() {
    return m_result.get();
}

} // namespace record
