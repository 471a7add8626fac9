#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace db {

class Statement;

// The rows of a cursor's snapshot, packed tightly: a million participants fit in a few tens of megabytes.
// Rows are written once and addressed by a handle; a changed row is written again under a new handle.
// Each row holds its rowid and its fields, every field as a small header (null, integer, real or text with its
// length) followed by its bytes. Rows live in pages of a few thousand, so growing never copies the whole store.
class RowStore {
public:
    using Handle = std::uint32_t;
    enum class Kind { Null, Integer, Real, Text };
    struct Field {
        Kind kind = Kind::Null;
        std::int64_t integer = 0;
        double real = 0;
        std::string_view text;
    };

    void clear();
    void reserve(std::size_t rows);
    // The row under the statement's current result: column 0 the rowid, then `fieldCount` fields.
    Handle addFromStatement(const Statement& statement, int fieldCount);
    // A row written from values; integerFields marks the fields stored as integers.
    Handle add(std::int64_t rowid, const std::vector<std::optional<std::string>>& values,
               const std::vector<bool>& integerFields);

    std::int64_t rowid(Handle handle) const;
    Field field(Handle handle, int index) const;
    std::size_t size() const { return m_count; }
    std::size_t bytes() const;

    // The field's value as the screens read it: empty for a missing value.
    static std::string text(const Field& field);

private:
    static constexpr int kPageBits = 12;
    static constexpr std::uint32_t kPageRows = 1u << kPageBits;
    struct Page {
        std::string bytes;
        std::vector<std::uint32_t> offsets;
    };
    std::string& beginRow();
    Handle endRow();
    const char* rowStart(Handle handle) const;

    std::vector<Page> m_pages;
    std::size_t m_count = 0;
};

} // namespace db
