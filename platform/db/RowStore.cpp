#include "platform/db/RowStore.h"

#include "platform/Error.h"
#include "platform/db/Statement.h"

#include <charconv>
#include <cstring>
#include <limits>
#include <sqlite3.h>

namespace db {

namespace {

// Field headers: 0 null, 1 integer (zig-zag varint follows), 2 real (8 bytes follow), 3 + n text of n bytes.
constexpr std::uint64_t kNull = 0, kInteger = 1, kReal = 2, kText = 3;

void putVarint(std::string& out, std::uint64_t value) {
    while (value >= 0x80) {
        out.push_back(static_cast<char>((value & 0x7f) | 0x80));
        value >>= 7;
    }
    out.push_back(static_cast<char>(value));
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
std::int64_t unzigzag(std::uint64_t v) { return static_cast<std::int64_t>(v >> 1) ^ -static_cast<std::int64_t>(v & 1); }

void putInteger(std::string& out, std::int64_t v) {
    putVarint(out, kInteger);
    putVarint(out, zigzag(v));
}
void putReal(std::string& out, double v) {
    putVarint(out, kReal);
    char raw[sizeof v];
    std::memcpy(raw, &v, sizeof v);
    out.append(raw, sizeof v);
}
void putText(std::string& out, std::string_view text) {
    putVarint(out, kText + text.size());
    out.append(text);
}


} // namespace

void RowStore::clear() {
    m_pages.clear();
    m_pages.shrink_to_fit();
    m_count = 0;
}

void RowStore::reserve(std::size_t rows) { m_pages.reserve(rows / kPageRows + 1); }

std::string& RowStore::beginRow() {
    if (m_count > std::numeric_limits<Handle>::max() - 1) throw platform::Error("Too many rows in one table");
    if (m_pages.empty() || m_pages.back().offsets.size() == kPageRows) {
        const std::size_t previous = m_pages.empty() ? 0 : m_pages.back().bytes.size();
        m_pages.emplace_back();
        m_pages.back().offsets.reserve(kPageRows);
        m_pages.back().bytes.reserve(previous ? previous + previous / 16 : 4096);
    }
    Page& page = m_pages.back();
    page.offsets.push_back(static_cast<std::uint32_t>(page.bytes.size()));
    return page.bytes;
}

RowStore::Handle RowStore::endRow() {
    const auto page = static_cast<Handle>(m_pages.size() - 1);
    const auto slot = static_cast<Handle>(m_pages.back().offsets.size() - 1);
    ++m_count;
    return (page << kPageBits) | slot;
}

RowStore::Handle RowStore::addFromStatement(const Statement& statement, int fieldCount) {
    std::string& out = beginRow();
    putVarint(out, zigzag(statement.columnInt(0)));
    for (int i = 1; i <= fieldCount; ++i) {
        switch (statement.columnType(i)) {
        case SQLITE_NULL: putVarint(out, kNull); break;
        case SQLITE_INTEGER: putInteger(out, statement.columnInt(i)); break;
        case SQLITE_FLOAT: putReal(out, statement.columnDouble(i)); break;
        default: putText(out, statement.columnText(i)); break;
        }
    }
    return endRow();
}

RowStore::Handle RowStore::add(std::int64_t rowid, const std::vector<std::optional<std::string>>& values,
                               const std::vector<bool>& integerFields) {
    std::string& out = beginRow();
    putVarint(out, zigzag(rowid));
    for (std::size_t i = 0; i < values.size(); ++i) {
        const auto& value = values[i];
        if (!value) {
            putVarint(out, kNull);
            continue;
        }
        std::int64_t number = 0;
        const char* end = value->data() + value->size();
        if (i < integerFields.size() && integerFields[i] && std::from_chars(value->data(), end, number).ptr == end &&
            !value->empty())
            putInteger(out, number);
        else
            putText(out, *value);
    }
    return endRow();
}

const char* RowStore::rowStart(Handle handle) const {
    const Page& page = m_pages[handle >> kPageBits];
    return page.bytes.data() + page.offsets[handle & (kPageRows - 1)];
}

std::int64_t RowStore::rowid(Handle handle) const {
    const char* p = rowStart(handle);
    return unzigzag(getVarint(p));
}

namespace {
RowStore::Field readField(const char*& p) {
    RowStore::Field field;
    const std::uint64_t header = getVarint(p);
    if (header == kNull) return field;
    if (header == kInteger) {
        field.kind = RowStore::Kind::Integer;
        field.integer = unzigzag(getVarint(p));
    } else if (header == kReal) {
        field.kind = RowStore::Kind::Real;
        std::memcpy(&field.real, p, sizeof field.real);
        p += sizeof field.real;
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
    getVarint(p);
    for (int i = 0; i < index; ++i) readField(p);
    return readField(p);
}

std::size_t RowStore::bytes() const {
    std::size_t total = m_pages.capacity() * sizeof(Page);
    for (const Page& page : m_pages) total += page.bytes.capacity() + page.offsets.capacity() * sizeof(std::uint32_t);
    return total;
}

std::string RowStore::text(const Field& field) {
    char buffer[32];
    switch (field.kind) {
    case Kind::Null: return {};
    case Kind::Integer: {
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, field.integer);
        return std::string(buffer, result.ptr);
    }
    case Kind::Real: {
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, field.real);
        return std::string(buffer, result.ptr);
    }
    case Kind::Text: return std::string(field.text);
    }
    return {};
}

} // namespace db
