#include "platform/sheets/SharedStrings.h"

#include "platform/sheets/Limits.h"
#include "platform/sheets/OoxmlEscapes.h"
#include "platform/sheets/ReadError.h"
#include "platform/sheets/XmlScanner.h"
#include "platform/sheets/ZipArchive.h"
#include "platform/sheets/ZipEntryStream.h"

#include <algorithm>
#include <cstring>

namespace sheets {

namespace {

constexpr std::size_t kTextBlockBytes = 1024 * 1024;
// Each string is stored after its length (one byte up to 127, at most three); where a string starts is kept only for
// every kGroup-th, the others are found by stepping over the lengths. A million-row list has millions of strings of a
// few bytes: an offset for each would cost as much memory as a fifth of their text.
constexpr std::size_t kGroup = 8;
// 7 bits a byte: three hold the longest cell (kMaxCellChars * 4 bytes); the table's room has a block to spare for
// the odd longer one.
constexpr std::uint64_t kMaxStoredBytes =
    limits::kMaxSharedStringBytes + static_cast<std::uint64_t>(limits::kMaxSharedStrings) * 3 + kTextBlockBytes;
constexpr std::size_t kTextBlocks = kMaxStoredBytes / kTextBlockBytes + 1;
constexpr std::size_t kStartBlockCount = 64 * 1024;
constexpr std::size_t kStartBlocks = limits::kMaxSharedStrings / kGroup / kStartBlockCount + 1;
static_assert(kMaxStoredBytes < (std::uint64_t{1} << 32), "positions are 32 bits");
// Strings are made visible to the sheet's reader in groups: publishing is a barrier between the threads.
constexpr std::size_t kPublishEvery = 256;
// A sheet that has caught up with the table sleeps until this many more strings are there, not one at a time.
constexpr std::size_t kWakeAhead = 4096;
// Text collected for one string before it is refused: enough for the longest allowed cell in any UTF-8.
constexpr std::size_t kTextLimit = static_cast<std::size_t>(limits::kMaxCellChars) * 4;

// Refuses a string longer than a cell may be (in characters, counted only when the bytes do not settle it).
bool tooLong(const std::string& text) {
    if (text.size() <= static_cast<std::size_t>(limits::kMaxCellChars)) return false;
    std::size_t chars = 0;
    for (const char c : text)
        chars += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return chars > static_cast<std::size_t>(limits::kMaxCellChars);
}

[[noreturn]] void refuseLongCell(const std::string& path) {
    cannotRead(path, "a cell holds more than " + std::to_string(limits::kMaxCellChars) + " characters");
}

} // namespace

SharedStrings::SharedStrings(const std::string& path, const std::string& part)
    : m_path(path), m_part(part), m_zip(std::make_unique<ZipArchive>(path)),
      // Inflated on the reading thread itself: it keeps ahead of the sheet without a thread of its own for that.
      m_scanner(std::make_unique<XmlScanner>(m_zip->openStream(part), path, part)),
      m_textBlocks(std::make_unique<std::unique_ptr<char[]>[]>(kTextBlocks)),
      m_startBlocks(std::make_unique<std::unique_ptr<std::uint32_t[]>[]>(kStartBlocks)) {
    m_reader = std::thread(&SharedStrings::read, this);
}

SharedStrings::~SharedStrings() {
    m_stopping = true;
    m_reader.join();
}

void SharedStrings::read() {
    try {
        bool inItem = false;
        int phonetic = 0;
        std::string item;
        while (!m_stopping) {
            const XmlScanner::Token token = m_scanner->next();
            if (token == XmlScanner::Token::Eof) break;
            const std::string_view name = m_scanner->name();
            if (token == XmlScanner::Token::Start) {
                if (name == "si") {
                    inItem = true;
                    item.clear();
                } else if (name == "rPh") {
                    ++phonetic;
                } else if (inItem && phonetic == 0 && name == "t") {
                    m_scanner->collectText(&item, kTextLimit);
                }
                continue;
            }
            if (name == "t") {
                m_scanner->collectText(nullptr);
                if (item.size() > kTextLimit && tooLong(item)) refuseLongCell(m_path);
            } else if (name == "rPh") {
                --phonetic;
            } else if (name == "si" && inItem) {
                inItem = false;
                decodeOoxmlEscapes(item);
                add(item);
            }
        }
        publish(m_added);
    } catch (...) {
        publish(m_added);
        std::lock_guard lock(m_mutex);
        m_error = std::current_exception();
    }
    m_scanner.reset(); // the part's inflating thread ends with it
    m_zip.reset();
    {
        std::lock_guard lock(m_mutex);
        m_ended = true;
    }
    m_changed.notify_all();
}

void SharedStrings::add(const std::string& text) {
    if (tooLong(text)) refuseLongCell(m_path);
    if (m_added >= static_cast<std::size_t>(limits::kMaxSharedStrings))
        cannotRead(m_path,
                   "its shared string table has more than " + std::to_string(limits::kMaxSharedStrings) + " strings");
    if (m_textBytes + text.size() > static_cast<std::uint64_t>(limits::kMaxSharedStringBytes))
        cannotRead(m_path, "its shared string table holds more than " +
                               std::to_string(limits::kMaxSharedStringBytes / (1024 * 1024)) + " MB of text");
    m_textBytes += text.size();
    if (m_added % kGroup == 0) {
        auto& starts = m_startBlocks[m_added / kGroup / kStartBlockCount];
        if (!starts) starts = std::make_unique_for_overwrite<std::uint32_t[]>(kStartBlockCount);
        starts[m_added / kGroup % kStartBlockCount] = m_stored;
    }
    char length[5];
    std::size_t lengthBytes = 0;
    for (std::size_t rest = text.size(); lengthBytes == 0 || rest != 0; rest >>= 7)
        length[lengthBytes++] = static_cast<char>((rest & 0x7F) | (rest >> 7 ? 0x80 : 0));
    store(length, lengthBytes);
    store(text.data(), text.size());
    if (++m_added % kPublishEvery == 0) publish(m_added);
}

void SharedStrings::publish(std::size_t count) {
    // Both sides use sequentially consistent order: a waiter that has not seen this count has its wish seen here.
    m_published.store(count);
    if (count > m_wakeAbove.load()) {
        std::lock_guard lock(m_mutex);
        m_changed.notify_all();
    }
}

std::size_t SharedStrings::waitBeyond(std::size_t count) {
    const std::size_t wish = count + kWakeAhead;
    std::unique_lock lock(m_mutex);
    m_wakeAbove.store(wish);
    m_changed.wait(lock, [&] { return m_published.load() > wish || m_ended; });
    m_wakeAbove.store(SIZE_MAX);
    return m_published.load();
}

void SharedStrings::store(const char* data, std::size_t size) {
    for (std::size_t at = 0; at < size;) {
        const std::size_t block = m_stored / kTextBlockBytes;
        const std::size_t within = m_stored % kTextBlockBytes;
        if (!m_textBlocks[block]) m_textBlocks[block] = std::make_unique_for_overwrite<char[]>(kTextBlockBytes);
        const std::size_t n = std::min(size - at, kTextBlockBytes - within);
        std::memcpy(m_textBlocks[block].get() + within, data + at, n);
        at += n;
        m_stored += static_cast<std::uint32_t>(n);
    }
}

bool SharedStrings::find(std::int64_t index, std::string_view& text, std::string& scratch) {
    const auto wanted = static_cast<std::size_t>(index);
    if (index < 0 || (wanted >= m_published.load(std::memory_order_acquire) && wanted >= waitBeyond(wanted))) {
        finish(); // the table's own damage, when there is one, is the reason
        return false;
    }
    const auto byteAt = [this](std::size_t position) {
        return static_cast<unsigned char>(m_textBlocks[position / kTextBlockBytes][position % kTextBlockBytes]);
    };
    // A sheet mostly asks for the string after the one it asked for before: that one starts where the last ended.
    std::size_t i = wanted;
    std::size_t position = m_nextPosition;
    if (wanted != m_nextIndex) {
        const std::size_t group = wanted / kGroup;
        i = group * kGroup;
        position = m_startBlocks[group / kStartBlockCount][group % kStartBlockCount];
    }
    std::size_t length = 0;
    for (;; ++i) {
        length = 0;
        for (int shift = 0;; shift += 7) {
            const unsigned byte = byteAt(position++);
            length |= static_cast<std::size_t>(byte & 0x7F) << shift;
            if (!(byte & 0x80)) break;
        }
        if (i == wanted) break;
        position += length;
    }
    m_nextIndex = wanted + 1;
    m_nextPosition = position + length;
    if (length == 0) {
        text = std::string_view("", 0);
        return true;
    }
    const std::size_t first = position / kTextBlockBytes;
    const std::size_t last = (position + length - 1) / kTextBlockBytes;
    const char* begin = m_textBlocks[first].get() + position % kTextBlockBytes;
    if (first == last) {
        text = std::string_view(begin, length);
        return true;
    }
    // A string is far shorter than a block: it lies across two at most.
    const std::size_t inFirst = kTextBlockBytes - position % kTextBlockBytes;
    scratch.assign(begin, inFirst);
    scratch.append(m_textBlocks[last].get(), length - inFirst);
    text = scratch;
    return true;
}

void SharedStrings::finish() {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_ended; });
    if (m_error) std::rethrow_exception(m_error);
}

} // namespace sheets
