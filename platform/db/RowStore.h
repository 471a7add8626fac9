#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace db {

class Statement;
class ServerStatement;

// The rows of a cursor's snapshot, packed tightly: a million participants fit in a few tens of megabytes.
// Rows are written once and addressed by a handle; a changed row is written again under a new handle.
// Each row holds its rowid and its fields, every field as a small header (null, integer, real, text or blob, with
// its length) followed by its bytes, exactly as the database gave them. Rows live in pages of about a megabyte, so
// growing never copies the whole store, and a handle is the page and the row's byte offset in it: reaching a row costs
// one memory access, not two.
class RowStore {
public:
    using Handle = std::uint32_t;
    enum class Kind { Null, Integer, Real, Text, Blob };
    struct Field {
        Kind kind = Kind::Null;
        std::int64_t integer = 0;
        double real = 0;
        std::string_view text; // the bytes of a text or a blob
    };

    void clear();
    // The row under the statement's current result: column 0 the rowid, then `fieldCount` fields.
    Handle addFromStatement(const Statement& statement, int fieldCount);

    std::int64_t rowid(Handle handle) const;
    Field field(Handle handle, int index) const;
    // Gives back the room the last page did not use, once every row is written.
    void shrinkToFit();
    std::size_t size() const { return m_count; }
    std::size_t bytes() const;

    // The field's value as the screens read it: empty for a missing value.
    static std::string text(const Field& field);
    // The field's value as the database turns it into text (CAST(x AS TEXT)), nothing for NULL. A number's text
    // is written into `room`, whose bytes the result then points at.
    static std::optional<std::string_view> storedText(const Field& field, std::string& room);

private:
    // A row starts below 1 MB into its page; 4096 pages hold some 4 GB of rows.
    static constexpr int kOffsetBits = 20;
    static constexpr std::size_t kPageBytes = std::size_t{1} << kOffsetBits;
    // What a page is given when it is made: room for the row that crosses kPageBytes as well, without a copy.
    static constexpr std::size_t kPageCapacity = kPageBytes + kPageBytes / 16;
    static constexpr std::size_t kMaxPages = std::size_t{1} << (32 - kOffsetBits);
    // A page's bytes, from malloc: no zero-filling of the room reserved for each row, and a full page gives back
    // its unused room in place.
    struct Free {
        void operator()(char* bytes) const;
    };
    struct Page {
        std::unique_ptr<char, Free> data;
        std::size_t size = 0;
        std::size_t capacity = 0;
        void reallocate(std::size_t newCapacity);
    };
    // Opens a row of at most `bound` bytes; endRow() closes it at its end.
    char* beginRow(std::size_t bound);
    Handle endRow(const char* end);
    const char* rowStart(Handle handle) const;
    Handle addFromServer(const ServerStatement& statement, int fieldCount);

    std::vector<Page> m_pages;
    std::size_t m_count = 0;
};

} // namespace db
