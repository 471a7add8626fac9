#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace sheets {

class XmlScanner;
class ZipArchive;

// The shared-string table of an xlsx, read on a thread of its own while the worksheet is scanned. Spreadsheet
// programs write the strings in the order the cells first use them, so a cell's string is mostly there by the time
// the sheet reaches it: the sheet no longer waits for the whole table (a million-row list has millions of strings)
// before its first row. The strings are kept once each, in blocks that never move, so they are looked up while more
// are added. Rich text runs are joined; phonetic guides (<rPh>) are not part of the text.
class SharedStrings {
public:
    // Opens the part (on a zip of its own: a zip is read by one thread at a time) and starts reading it.
    SharedStrings(const std::string& path, const std::string& part);
    // Stops the reading thread.
    ~SharedStrings();
    SharedStrings(const SharedStrings&) = delete;
    SharedStrings& operator=(const SharedStrings&) = delete;

    // String `index`, waiting until the table has got that far (called by one thread: the sheet's reader). A string
    // that lies across two blocks is copied into scratch. False when the table ends before it; the table's own error
    // (damage, a limit) is thrown instead when reading it failed first.
    bool find(std::int64_t index, std::string_view& text, std::string& scratch);
    // Waits until the whole table is read, and throws its error if reading it failed.
    void finish();

private:
    void read();
    void add(const std::string& text);
    void store(const char* data, std::size_t size);
    void publish(std::size_t count);
    // Waits until more than `count` strings are there or the table has ended; the strings there then.
    std::size_t waitBeyond(std::size_t count);

    std::string m_path;
    std::string m_part;
    std::unique_ptr<ZipArchive> m_zip;
    std::unique_ptr<XmlScanner> m_scanner;

    // Each string after its length, back to back in blocks of a megabyte, and where every eighth starts. The block
    // tables are sized for the largest table allowed, so they are never moved.
    std::unique_ptr<std::unique_ptr<char[]>[]> m_textBlocks;
    std::unique_ptr<std::unique_ptr<std::uint32_t[]>[]> m_startBlocks;
    // Written by the reading thread only.
    std::uint32_t m_stored = 0;    // bytes in the blocks
    std::uint64_t m_textBytes = 0; // of them, the strings' own
    std::size_t m_added = 0;       // strings added, of which m_published are visible to find()

    // Where the string after the last one found starts, for find() alone.
    std::size_t m_nextIndex = SIZE_MAX;
    std::size_t m_nextPosition = 0;

    std::atomic<std::size_t> m_published{0};
    std::atomic<std::size_t> m_wakeAbove{SIZE_MAX}; // a waiter's wish: a count above this is worth a wake-up
    std::atomic<bool> m_stopping{false};
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_ended = false; // under m_mutex, as is m_error
    std::exception_ptr m_error;
    std::thread m_reader;
};

} // namespace sheets
