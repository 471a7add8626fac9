#include "platform/db/RowStore.h"

#include "platform/Error.h"
#include "platform/db/ServerStatement.h"
#include "platform/db/Statement.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <sqlite3.h>

namespace db {

namespace {

// Field headers: 0 null, 1 integer (zig-zag varint follows), 2 real (8 bytes follow), 3 blob (its length as a varint
// and its bytes follow: rare, so it pays the extra varint), 4 an integer equal to the row's rowid (a sequence number
// typed or imported in order: one byte instead of four at a million rows), 5 + 2n a text of n bytes, 6 + 2n a text of
// n decimal digits packed two to a byte ((n + 1) / 2 bytes follow).
constexpr std::uint64_t kNull = 0, kInteger = 1, kReal = 2, kBlob = 3, kRowid = 4, kText = 5, kDigits = 6;
// Digits are packed up to this many: what a packed field's count holds.
constexpr std::size_t kMaxPackedDigits = 255;

// Writers write into a row's room reserved in advance: no capacity check per byte.
constexpr std::size_t kMaxVarint = 10;

char* putVarint(char* out, std::uint64_t value) {
    while (value >= 0x80) {
        *out++ = static_cast<char>((value & 0x7f) | 0x80);
        value >>= 7;
    }
    *out++ = static_cast<char>(value);
    return out;
}

std::uint64_t getVarint(const char*& p) {
    auto byte = static_cast<unsigned char>(*p++);
    if (!(byte & 0x80)) return byte; // most headers and lengths: one byte
    std::uint64_t value = byte & 0x7f;
    int shift = 7;
    for (;;) {
        byte = static_cast<unsigned char>(*p++);
        value |= static_cast<std::uint64_t>(byte & 0x7f) << shift;
        if (!(byte & 0x80)) return value;
        shift += 7;
    }
}

std::uint64_t zigzag(std::int64_t v) {
    return (static_cast<std::uint64_t>(v) << 1) ^ static_cast<std::uint64_t>(v >> 63);
}
std::int64_t unzigzag(std::uint64_t v) {
    return static_cast<std::int64_t>(v >> 1) ^ -static_cast<std::int64_t>(v & 1);
}

// A row's rowid as the step from the rowid after the previous row's (0 for rows in rowid order), and back: modulo
// 2^64, so any two rowids have one.
std::uint64_t rowidStep(std::int64_t rowid, std::int64_t previous) {
    return zigzag(
        static_cast<std::int64_t>(static_cast<std::uint64_t>(rowid) - static_cast<std::uint64_t>(previous) - 1));
}
std::int64_t afterStep(std::int64_t previous, std::uint64_t step) {
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(previous) + 1 +
                                     static_cast<std::uint64_t>(unzigzag(step)));
}

char* putInteger(char* out, std::int64_t v, std::int64_t rowid) {
    if (v == rowid) return putVarint(out, kRowid);
    return putVarint(putVarint(out, kInteger), zigzag(v));
}
char* putReal(char* out, double v) {
    out = putVarint(out, kReal);
    std::memcpy(out, &v, sizeof v);
    return out + sizeof v;
}
char* putBytes(char* out, std::string_view bytes) {
    if (!bytes.empty()) std::memcpy(out, bytes.data(), bytes.size());
    return out + bytes.size();
}
bool onlyDigits(std::string_view text) {
    if (text.size() < 2 || text.size() > kMaxPackedDigits) return false;
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}
char* putText(char* out, std::string_view text) {
    if (!onlyDigits(text)) return putBytes(putVarint(out, kText + 2 * text.size()), text);
    out = putVarint(out, kDigits + 2 * text.size());
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const unsigned high = static_cast<unsigned>(text[i] - '0');
        const unsigned low = i + 1 < text.size() ? static_cast<unsigned>(text[i + 1] - '0') : 0;
        *out++ = static_cast<char>(high << 4 | low);
    }
    return out;
}
char* putBlob(char* out, std::string_view blob) {
    return putBytes(putVarint(putVarint(out, kBlob), blob.size()), blob);
}

RowStore::Field readField(const char*& p, std::int64_t rowid) {
    RowStore::Field field;
    const std::uint64_t header = getVarint(p);
    if (header >= kText) {
        field.kind = RowStore::Kind::Text;
        const std::size_t length = (header - kText) / 2;
        if ((header - kText) % 2 == 0) {
            field.text = std::string_view(p, length);
            p += length;
        } else {
            field.packedDigits = static_cast<std::uint8_t>(length);
            field.text = std::string_view(p, (length + 1) / 2);
            p += (length + 1) / 2;
        }
    } else if (header == kRowid) {
        field.kind = RowStore::Kind::Integer;
        field.integer = rowid;
    } else if (header == kInteger) {
        field.kind = RowStore::Kind::Integer;
        field.integer = unzigzag(getVarint(p));
    } else if (header == kReal) {
        field.kind = RowStore::Kind::Real;
        std::memcpy(&field.real, p, sizeof field.real);
        p += sizeof field.real;
    } else if (header == kBlob) {
        field.kind = RowStore::Kind::Blob;
        const std::size_t length = getVarint(p);
        field.text = std::string_view(p, length);
        p += length;
    }
    return field;
}

} // namespace

RowStore::RowStore(std::shared_ptr<const RowStore> base) : m_base(std::move(base)), m_baseCount(m_base->size()) {
    m_fieldCount = m_base->m_fieldCount;
}

RowStore::RowStore(RowStore&& other) noexcept = default;
RowStore& RowStore::operator=(RowStore&& other) noexcept = default;
RowStore::~RowStore() = default;

void RowStore::clear() {
    m_base.reset();
    m_baseCount = 0;
    m_pages.clear();
    m_pages.shrink_to_fit();
    m_places.clear();
    m_places.shrink_to_fit();
    m_count = 0;
    m_fieldCount = 0;
    m_lastRowid = 0;
}

void RowStore::Free::operator()(char* bytes) const {
    std::free(bytes);
}

void RowStore::Page::reallocate(std::size_t newCapacity) {
    char* moved = static_cast<char*>(std::realloc(data.get(), newCapacity));
    if (!moved) throw std::bad_alloc();
    (void)data.release();
    data.reset(moved);
    capacity = newCapacity;
}

char* RowStore::beginRow(std::size_t bound, std::int64_t rowid) {
    bound += kMaxVarint; // the row's header
    const bool groupStarts = m_count % kGroupRows == 0;
    if (size() >= std::numeric_limits<Handle>::max()) throw platform::Error("Too many rows in one table");
    if (m_pages.empty() || (groupStarts && m_pages.back().size >= kPageBytes)) {
        if (m_pages.size() == kMaxPages) throw platform::Error("Too many rows in one table");
        if (!m_pages.empty()) {
            // A full page gives back the room it did not use (in place: nothing is copied); the next one starts at
            // the size pages have.
            Page& full = m_pages.back();
            if (full.capacity > full.size) full.reallocate(full.size);
            if (m_pageSink) m_pageSink(std::string_view(full.data.get(), full.size));
        }
        const bool first = m_pages.empty();
        m_pages.emplace_back();
        m_pages.back().reallocate(first ? 4096 : kPageCapacity);
    }
    Page& page = m_pages.back();
    if (page.capacity < page.size + bound)
        page.reallocate(std::max(page.size + bound, std::min(2 * page.capacity, kPageCapacity)));
    char* out = page.data.get() + page.size;
    if (groupStarts) {
        m_places.push_back(static_cast<std::uint32_t>(((m_pages.size() - 1) << kOffsetBits) | page.size));
        return putVarint(out, zigzag(rowid));
    }
    return putVarint(out, rowidStep(rowid, m_lastRowid));
}

RowStore::Handle RowStore::endRow(const char* end, std::int64_t rowid) {
    Page& page = m_pages.back();
    page.size = static_cast<std::size_t>(end - page.data.get());
    m_lastRowid = rowid;
    return static_cast<Handle>(m_baseCount + m_count++);
}

void RowStore::shrinkToFit() {
    m_places.shrink_to_fit();
    if (m_pages.empty()) return;
    Page& last = m_pages.back();
    if (last.size > 0 && last.capacity > last.size) last.reallocate(last.size);
    if (m_pageSink && last.size > 0) m_pageSink(std::string_view(last.data.get(), last.size));
}

RowStore::Handle RowStore::addFromServer(const ServerStatement& statement, int fieldCount) {
    // Integers come as their decimal text, reals as text too; each is read once, into the row's own form.
    std::size_t bound = 0;
    for (int i = 1; i <= fieldCount; ++i)
        bound += 3 * kMaxVarint + (statement.columnIsNull(i) ? 0 : statement.raw(i).size());
    const std::int64_t rowid = statement.columnInt(0);
    char* out = beginRow(bound, rowid);
    for (int i = 1; i <= fieldCount; ++i) {
        if (statement.columnIsNull(i)) {
            out = putVarint(out, kNull);
            continue;
        }
        switch (statement.kind(i)) {
        case ServerStatement::Kind::Integer:
        case ServerStatement::Kind::Boolean:
            out = putInteger(out, statement.columnInt(i), rowid);
            break;
        case ServerStatement::Kind::Real:
            out = putReal(out, statement.real(i));
            break;
        case ServerStatement::Kind::Blob:
            out = putBlob(out, statement.blob(i));
            break;
        case ServerStatement::Kind::Text:
            out = putText(out, statement.raw(i));
            break;
        }
    }
    return endRow(out, rowid);
}

RowStore::Handle RowStore::addFromStatement(const Statement& statement, int fieldCount) {
    if (size() == 0) m_fieldCount = fieldCount;
    if (fieldCount != m_fieldCount) throw platform::Error("A row of another table in the same snapshot");
    if (const ServerStatement* server = statement.server()) return addFromServer(*server, fieldCount);
    // Read the columns first, so the row's room is known before it is written. The values are read through
    // sqlite3_column_value(): one call per column instead of three, on the one thread that uses the connection.
    struct Column {
        int type;
        std::int64_t integer;
        double real;
        std::string_view text;
    };
    Column columns[16];
    std::vector<Column> many;
    Column* cols = columns;
    if (fieldCount > 16) {
        many.resize(static_cast<std::size_t>(fieldCount));
        cols = many.data();
    }
    sqlite3_stmt* stmt = statement.get();
    std::size_t bound = 0;
    for (int i = 0; i < fieldCount; ++i) {
        Column& c = cols[i];
        sqlite3_value* value = sqlite3_column_value(stmt, i + 1);
        c.type = sqlite3_value_type(value);
        c.text = {};
        if (c.type == SQLITE_INTEGER) {
            c.integer = sqlite3_value_int64(value);
        } else if (c.type == SQLITE_FLOAT) {
            c.real = sqlite3_value_double(value);
        } else if (c.type == SQLITE_BLOB) {
            const auto* blob = static_cast<const char*>(sqlite3_value_blob(value));
            if (blob) c.text = std::string_view(blob, static_cast<std::size_t>(sqlite3_value_bytes(value)));
        } else if (c.type != SQLITE_NULL) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
            if (text) c.text = std::string_view(text, static_cast<std::size_t>(sqlite3_value_bytes(value)));
        }
        bound += 3 * kMaxVarint + c.text.size();
    }
    const std::int64_t rowid = sqlite3_column_int64(stmt, 0);
    char* out = beginRow(bound, rowid);
    for (int i = 0; i < fieldCount; ++i) {
        switch (cols[i].type) {
        case SQLITE_NULL:
            out = putVarint(out, kNull);
            break;
        case SQLITE_INTEGER:
            out = putInteger(out, cols[i].integer, rowid);
            break;
        case SQLITE_FLOAT:
            out = putReal(out, cols[i].real);
            break;
        case SQLITE_BLOB:
            out = putBlob(out, cols[i].text);
            break;
        default:
            out = putText(out, cols[i].text);
            break;
        }
    }
    return endRow(out, rowid);
}

const char* RowStore::skipFields(const char* p) const {
    return skipFields(p, m_fieldCount);
}

const char* RowStore::skipFields(const char* p, int fieldCount) {
    for (int i = 0; i < fieldCount; ++i) {
        const std::uint64_t header = getVarint(p);
        if (header >= kText) {
            const std::size_t length = (header - kText) / 2;
            p += (header - kText) % 2 == 0 ? length : (length + 1) / 2;
        } else if (header == kInteger) {
            getVarint(p);
        } else if (header == kReal) {
            p += sizeof(double);
        } else if (header == kBlob) {
            const std::size_t length = getVarint(p);
            p += length;
        }
    }
    return p;
}

const char* RowStore::seek(Handle handle, std::int64_t& rowid) const {
    if (handle < m_baseCount) return m_base->seek(handle, rowid);
    handle -= static_cast<Handle>(m_baseCount);
    const std::uint32_t place = m_places[handle / kGroupRows];
    const char* p = m_pages[place >> kOffsetBits].data.get() + (place & (kPageBytes - 1));
    rowid = unzigzag(getVarint(p));
    for (std::size_t row = handle % kGroupRows; row > 0; --row) {
        p = skipFields(p);
        rowid = afterStep(rowid, getVarint(p));
    }
    return p;
}

std::int64_t RowStore::rowid(Handle handle) const {
    std::int64_t rowid = 0;
    seek(handle, rowid);
    return rowid;
}

RowStore::Field RowStore::field(Handle handle, int index) const {
    std::int64_t rowid = 0;
    const char* p = seek(handle, rowid);
    for (int i = 0; i < index; ++i)
        readField(p, rowid);
    return readField(p, rowid);
}

void RowStore::fields(Handle handle, std::span<Field> out) const {
    std::int64_t rowid = 0;
    const char* p = seek(handle, rowid);
    for (Field& field : out)
        field = readField(p, rowid);
}

RowStore::Reader::Reader(const RowStore& store) {
    for (const RowStore* link = &store; link; link = link->m_base.get())
        m_chain.insert(m_chain.begin(), link);
    m_end = m_chain.size() > 1 ? m_chain[1]->m_baseCount : store.size();
}

bool RowStore::Reader::next(std::span<Field> out) {
    // The rows of the innermost base first, then each sharing store's own, numbered after its base's. A base's rows
    // added after it was shared are not the sharing store's.
    while (m_next >= m_end) {
        if (++m_link >= m_chain.size()) return false;
        m_next = m_chain[m_link]->m_baseCount;
        m_end = m_link + 1 < m_chain.size() ? m_chain[m_link + 1]->m_baseCount : m_chain[m_link]->size();
    }
    const RowStore& store = *m_chain[m_link];
    if ((m_next - store.m_baseCount) % kGroupRows == 0) {
        m_at = store.seek(static_cast<Handle>(m_next), m_rowid);
    } else {
        m_at = store.skipFields(m_at);
        m_rowid = afterStep(m_rowid, getVarint(m_at));
    }
    const char* p = m_at;
    for (Field& field : out)
        field = readField(p, m_rowid);
    ++m_next;
    return true;
}

bool RowStore::PageReader::next(std::span<Field> out) {
    if (m_row > 0) m_at = skipFields(m_at, m_fieldCount); // past the fields of the row read last
    if (m_at >= m_end) return false;
    // A page starts with a group: its first row, and every kGroupRows-th after it, holds its whole rowid.
    const std::uint64_t header = getVarint(m_at);
    m_rowid = m_row % kGroupRows == 0 ? unzigzag(header) : afterStep(m_rowid, header);
    ++m_row;
    const char* p = m_at;
    for (Field& field : out)
        field = readField(p, m_rowid);
    return true;
}

std::size_t RowStore::bytes() const {
    std::size_t total = m_pages.capacity() * sizeof(Page) + m_places.capacity() * sizeof(std::uint32_t);
    for (const Page& page : m_pages)
        total += page.capacity;
    return total;
}

std::string_view RowStore::textOf(const Field& field, std::string& room) {
    if (field.packedDigits == 0) return field.text;
    room.resize(field.packedDigits);
    for (std::size_t i = 0; i < field.packedDigits; ++i) {
        const auto byte = static_cast<unsigned char>(field.text[i / 2]);
        room[i] = static_cast<char>('0' + (i % 2 == 0 ? byte >> 4 : byte & 0x0f));
    }
    return room;
}

std::string RowStore::text(const Field& field) {
    char buffer[32];
    switch (field.kind) {
    case Kind::Null:
        return {};
    case Kind::Integer: {
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, field.integer);
        return std::string(buffer, result.ptr);
    }
    case Kind::Real: {
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, field.real);
        return std::string(buffer, result.ptr);
    }
    case Kind::Text:
    case Kind::Blob: {
        std::string room;
        return std::string(textOf(field, room));
    }
    }
    return {};
}

std::optional<std::string_view> RowStore::storedText(const Field& field, std::string& room) {
    switch (field.kind) {
    case Kind::Null:
        return std::nullopt;
    case Kind::Integer: {
        room.resize(24);
        const auto end = std::to_chars(room.data(), room.data() + room.size(), field.integer).ptr;
        return std::string_view(room.data(), static_cast<std::size_t>(end - room.data()));
    }
    case Kind::Real: {
        // SQLite's own conversion of a real to text, so the form matches CAST(x AS TEXT).
        room.resize(40);
        sqlite3_snprintf(static_cast<int>(room.size()), room.data(), "%!.15g", field.real);
        return std::string_view(room.c_str());
    }
    case Kind::Text:
    case Kind::Blob:
        return textOf(field, room);
    }
    return std::nullopt;
}

} // namespace db
