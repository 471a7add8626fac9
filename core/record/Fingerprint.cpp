#include "core/record/Fingerprint.h"

#include "core/record/CanonicalForm.h"
#include "platform/db/Connection.h"
#include "platform/db/Statement.h"

#include <limits>

namespace record {

namespace {
// The hash takes the bytes in blocks of this size: one call per row would cost more than the hashing.
constexpr std::size_t kBlock = 64 * 1024;

} // namespace

Fingerprint::Fingerprint() {
    m_buffer.reserve(kBlock + 1024);
}

void Fingerprint::addRow(std::span<const std::optional<std::string_view>> fields) {
    canonical::appendRow(m_buffer, fields);
    ++m_rows;
    if (m_buffer.size() >= kBlock) flush();
}

void Fingerprint::flush() {
    m_hash.addData(m_buffer);
    m_buffer.clear();
}

ListSeal Fingerprint::result() {
    flush();
    return {m_rows, m_hash.hexResult()};
}

std::string Fingerprint::rowBytes(std::span<const std::optional<std::string_view>> fields) {
    std::string bytes;
    canonical::appendRow(bytes, fields);
    return bytes;
}

void Fingerprint::addStoredRow(std::span<const db::RowStore::Field> row) {
    m_values.resize(row.size());
    m_rooms.resize(row.size());
    for (std::size_t i = 0; i < row.size(); ++i)
        m_values[i] = db::RowStore::storedText(row[i], m_rooms[i]);
    addRow(m_values);
}

ListSeal Fingerprint::ofSnapshot(const db::RowStore& store, std::span<const db::RowStore::Handle> order, int fields) {
    Fingerprint fingerprint;
    std::vector<db::RowStore::Field> stored(static_cast<std::size_t>(fields));
    for (const db::RowStore::Handle handle : order) {
        store.fields(handle, stored);
        fingerprint.addStoredRow(stored);
    }
    return fingerprint.result();
}

ListSeal Fingerprint::ofStore(const db::RowStore& store, int fields) {
    Fingerprint fingerprint;
    std::vector<db::RowStore::Field> stored(static_cast<std::size_t>(fields));
    for (db::RowStore::Reader rows(store); rows.next(stored);)
        fingerprint.addStoredRow(stored);
    return fingerprint.result();
}

namespace {

// The rows of a statement, from its column `first` on. With ascendingFrom, only while that column holds integers
// that do not descend: nothing when a row breaks that order.
std::optional<ListSeal> rowsOf(db::Statement& select, int first, std::optional<int> ascendingFrom = std::nullopt) {
    Fingerprint fingerprint;
    const int fields = select.columnCount() - first;
    std::vector<std::optional<std::string_view>> values(static_cast<std::size_t>(fields));
    std::int64_t last = std::numeric_limits<std::int64_t>::min();
    while (select.step()) {
        if (ascendingFrom) {
            if (select.columnInt(*ascendingFrom) == 0) return std::nullopt; // not an integer
            const std::int64_t key = select.columnInt(first);
            if (key < last) return std::nullopt;
            last = key;
        }
        for (int i = 0; i < fields; ++i) {
            // The statement gives the database's own text of a number, and a blob's bytes as they are.
            if (select.columnIsNull(first + i))
                values[static_cast<std::size_t>(i)] = std::nullopt;
            else
                values[static_cast<std::size_t>(i)] = select.columnText(first + i);
        }
        fingerprint.addRow(values);
    }
    return fingerprint.result();
}

} // namespace

ListSeal Fingerprint::ofTable(db::Connection& connection, const std::string& table, bool byRowid) {
    db::ReadTransaction reading(connection);
    const std::string name = db::quotedIdentifier(table);
    if (byRowid) {
        db::Statement select(connection, "SELECT * FROM " + name + " ORDER BY rowid");
        return *rowsOf(select, 0);
    }
    // Participants typed in or imported in order lie in a file's table in the order of their IDs already: read in
    // rowid order, the table is one walk instead of a lookup through the ID's index for every row (some 0.4 s less at
    // ten million participants). Only when an ID comes out of order is the table read again, sorted by the database.
    // A server sorts by itself.
    const std::vector<std::string> columns =
        connection.isServer() ? std::vector<std::string>{} : connection.columnNames(table);
    if (!columns.empty()) {
        db::Statement walk(connection, "SELECT typeof(" + db::quotedIdentifier(columns.front()) +
                                           ") = 'integer', * FROM " + name + " ORDER BY rowid");
        if (auto seal = rowsOf(walk, 1, 0)) return *seal;
    }
    db::Statement select(connection, "SELECT * FROM " + name + " ORDER BY 1, rowid");
    return *rowsOf(select, 0);
}

} // namespace record
