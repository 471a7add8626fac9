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
// typed or imported in order: one byte instead of four at a million rows), 5 + n text of n bytes.
constexpr std::uint64_t kNull = 0, kInteger = 1, kReal = 2, kBlob = 3, kRowid = 4, kText = 5;

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
    std::uint64_t value = 0;
    int shift = 0;
    for (;;) {
        const auto byte = static_cast<unsigned char>(*p++);
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
char* putText(char* out, std::string_view text) {
    return putBytes(putVarint(out, kText + text.size()), text);
}
char* putBlob(char* out, std::string_view blob) {
    return putBytes(putVarint(putVarint(out, kBlob), blob.size()), blob);
}

} // namespace

void RowStore::clear() {
    m_pages.clear();
    m_pages.shrink_to_fit();
    m_count = 0;
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

char* RowStore::beginRow(std::size_t bound) {
    if (m_pages.empty() || m_pages.back().size >= kPageBytes) {
        if (m_pages.size() == kMaxPages) throw platform::Error("Too many rows in one table");
        if (!m_pages.empty()) {
            // A full page gives back the room it did not use (in place: nothing is copied); the next one starts at
            // the size pages have.
            Page& full = m_pages.back();
            if (full.capacity > full.size) full.reallocate(full.size);
        }
        const bool first = m_pages.empty();
        m_pages.emplace_back();
        m_pages.back().reallocate(first ? 4096 : kPageCapacity);
    }
    Page& page = m_pages.back();
    if (page.capacity < page.size + bound)
        page.reallocate(std::max(page.size + bound, std::min(2 * page.capacity, kPageCapacity)));
    return page.data.get() + page.size;
}

void RowStore::shrinkToFit() {
    if (m_pages.empty()) return;
    Page& last = m_pages.back();
    if (last.size > 0 && last.capacity > last.size) last.reallocate(last.size);
}

RowStore::Handle RowStore::endRow(const char* end) {
    Page& page = m_pages.back();
    const std::size_t start = page.size;
    page.size = static_cast<std::size_t>(end - page.data.get());
    ++m_count;
    return static_cast<Handle>(((m_pages.size() - 1) << kOffsetBits) | start);
}

RowStore::Handle RowStore::addFromServer(const ServerStatement& statement, int fieldCount) {
    // Integers come as their decimal text, reals as text too; each is read once, into the row's own form.
    std::size_t bound = kMaxVarint;
    for (int i = 1; i <= fieldCount; ++i)
        bound += 3 * kMaxVarint + (statement.columnIsNull(i) ? 0 : statement.raw(i).size());
    char* out = beginRow(bound);
    const std::int64_t rowid = statement.columnInt(0);
    out = putVarint(out, zigzag(rowid));
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
    return endRow(out);
}

RowStore::Handle RowStore::addFromStatement(const Statement& statement, int fieldCount) {
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
    std::size_t bound = kMaxVarint;
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
    char* out = beginRow(bound);
    const std::int64_t rowid = sqlite3_column_int64(stmt, 0);
    out = putVarint(out, zigzag(rowid));
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
    return endRow(out);
}

const char* RowStore::rowStart(Handle handle) const {
    return m_pages[handle >> kOffsetBits].data.get() + (handle & (kPageBytes - 1));
}

std::int64_t RowStore::rowid(Handle handle) const {
    const char* p = rowStart(handle);
    return unzigzag(getVarint(p));
}

namespace {
RowStore::Field readField(const char*& p, std::int64_t rowid) {
    RowStore::Field field;
    const std::uint64_t header = getVarint(p);
    if (header == kNull) return field;
    if (header == kInteger) {
        field.kind = RowStore::Kind::Integer;
        field.integer = unzigzag(getVarint(p));
    } else if (header == kRowid) {
        field.kind = RowStore::Kind::Integer;
        field.integer = rowid;
    } else if (header == kReal) {
        field.kind = RowStore::Kind::Real;
        std::memcpy(&field.real, p, sizeof field.real);
        p += sizeof field.real;
    } else if (header == kBlob) {
        field.kind = RowStore::Kind::Blob;
        const std::size_t length = getVarint(p);
        field.text = std::string_view(p, length);
        p += length;
    } else {
        field.kind = RowStore::Kind::Text;
        const std::size_t length = header - kText;
        field.text = std::string_view(p, length);
        p += length;
    }
    return field;
}
} // namespace

RowStore::Field RowStore::field(Handle handle, int index) const {
    const char* p = rowStart(handle);
    const std::int64_t rowid = unzigzag(getVarint(p));
    for (int i = 0; i < index; ++i)
        readField(p, rowid);
    return readField(p, rowid);
}

std::size_t RowStore::bytes() const {
    std::size_t total = m_pages.capacity() * sizeof(Page);
    for (const Page& page : m_pages)
        total += page.capacity;
    return total;
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
    case Kind::Blob:
        return std::string(field.text);
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
        return field.text;
    }
    return std::nullopt;
}

} // namespace db
