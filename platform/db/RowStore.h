#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace db {

class Statement;
class ServerStatement;

// The rows of a cursor's snapshot, packed tightly: ten million participants fit in well under 400 MB. Rows are
// written once and numbered in the order they are added (a handle is that number); a changed row is written again
// under a new number.
//
// A row is a small header (its rowid, as the difference from the rowid that follows the row before it: one byte
// for rows read in rowid order) and its fields, every field as a small header (null, integer, real, text or blob,
// with its length) followed by its bytes; a text made only of decimal digits (a phone number, a numbered draw
// number) keeps two digits to a byte. Rows lie back to back in pages of about a megabyte, so growing never copies
// the whole store. Only every 8th row's place is kept: a row is reached from there by stepping over at most 7 rows,
// so the places cost half a byte a row instead of the four a handle each took (at ten million participants a shuffle
// tick still reads its row in well under a microsecond).
class RowStore {
public:
    using Handle = std::uint32_t;
    enum class Kind { Null, Integer, Real, Text, Blob };
    struct Field {
        Kind kind = Kind::Null;
        // A text of this many decimal digits, kept two to a byte in `text`: read it with textOf().
        std::uint8_t packedDigits = 0;
        std::int64_t integer = 0;
        double real = 0;
        std::string_view text; // the bytes of a text or a blob
    };

    RowStore() = default;
    // A store that begins with every row `base` holds now, without a copy of them: rows added later are its own.
    // The base's rows must not change while it is shared (rows are never changed in place; only added).
    explicit RowStore(std::shared_ptr<const RowStore> base);
    RowStore(RowStore&& other) noexcept;
    RowStore& operator=(RowStore&& other) noexcept;
    ~RowStore();

    void clear();
    // The row under the statement's current result: column 0 the rowid, then `fieldCount` fields. Every row of a
    // store has the same number of fields.
    Handle addFromStatement(const Statement& statement, int fieldCount);

    std::int64_t rowid(Handle handle) const;
    Field field(Handle handle, int index) const;
    // The row's first out.size() fields, decoded in one pass.
    void fields(Handle handle, std::span<Field> out) const;
    // Gives back the room the last page did not use, once every row is written.
    void shrinkToFit();
    // Told of each page of rows once it is complete: when the next page starts, and the last one at shrinkToFit().
    // A complete page's bytes stay where they are, unchanged, for as long as the store holds them, so another thread
    // may read them (with PageReader) while rows are still being added.
    using PageSink = std::function<void(std::string_view page)>;
    void setPageSink(PageSink sink) { m_pageSink = std::move(sink); }
    std::size_t size() const { return m_baseCount + m_count; }
    // The bytes this store holds itself, without a base it shares.
    std::size_t bytes() const;

    // Reads the rows in the order they were added, each in one step: a whole snapshot in one pass.
    class Reader {
    public:
        explicit Reader(const RowStore& store);
        // The next row's fields into out (as many as it has room for); false after the last row.
        bool next(std::span<Field> out);
        // The rowid of the row next() read last.
        std::int64_t rowid() const { return m_rowid; }

    private:
        std::vector<const RowStore*> m_chain; // the innermost base first, the store read last
        std::size_t m_link = 0;
        std::size_t m_end = 0; // where the rows of m_chain[m_link] end
        std::size_t m_next = 0;
        const char* m_at = nullptr;
        std::int64_t m_rowid = 0;
    };

    // Reads the rows of one complete page (as a PageSink is given it), in the order they were added.
    class PageReader {
    public:
        PageReader(std::string_view page, int fieldCount)
            : m_at(page.data()), m_end(page.data() + page.size()), m_fieldCount(fieldCount) {}
        // The next row's fields into out (as many as it has room for); false after the page's last row.
        bool next(std::span<Field> out);
        std::int64_t rowid() const { return m_rowid; }

    private:
        const char* m_at;
        const char* m_end;
        int m_fieldCount;
        std::size_t m_row = 0;
        std::int64_t m_rowid = 0;
    };

    // The text of a text field, packed digits written out into `room` (which the result then points at); a blob's
    // bytes as they are.
    static std::string_view textOf(const Field& field, std::string& room);
    // The field's value as the screens read it: empty for a missing value.
    static std::string text(const Field& field);
    // The field's value as the database turns it into text (CAST(x AS TEXT)), nothing for NULL. A number's text
    // or packed digits are written into `room`, whose bytes the result then points at.
    static std::optional<std::string_view> storedText(const Field& field, std::string& room);

private:
    // A row starts below 1 MB into its page; 4096 pages hold some 4 GB of rows.
    static constexpr int kOffsetBits = 20;
    static constexpr std::size_t kPageBytes = std::size_t{1} << kOffsetBits;
    // What a page is given when it is made: room for the row that crosses kPageBytes as well, without a copy.
    static constexpr std::size_t kPageCapacity = kPageBytes + kPageBytes / 16;
    static constexpr std::size_t kMaxPages = std::size_t{1} << (32 - kOffsetBits);
    // Rows per kept place: a row is reached by stepping over at most kGroupRows - 1 rows.
    static constexpr std::size_t kGroupRows = 8;
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
    // Opens a row of at most `bound` bytes of fields and writes its header for `rowid`; endRow() closes it at the
    // end of its fields. A group never starts in one page and goes on in the next: a new page starts only with a
    // group.
    char* beginRow(std::size_t bound, std::int64_t rowid);
    Handle endRow(const char* end, std::int64_t rowid);
    // The first byte of the row's fields, and its rowid.
    const char* seek(Handle handle, std::int64_t& rowid) const;
    // Past the fields that start at p.
    const char* skipFields(const char* p) const;
    Handle addFromServer(const ServerStatement& statement, int fieldCount);
    static const char* skipFields(const char* p, int fieldCount);

    std::shared_ptr<const RowStore> m_base;
    std::size_t m_baseCount = 0; // the base's rows, numbered before the store's own
    std::vector<Page> m_pages;
    // Where every kGroupRows-th row starts: its page and offset. That row's header holds its whole rowid, each
    // following row's header the difference from the rowid after the one before it.
    std::vector<std::uint32_t> m_places;
    std::size_t m_count = 0;
    int m_fieldCount = 0;
    std::int64_t m_lastRowid = 0; // of the row added last
    PageSink m_pageSink;
};

} // namespace db
