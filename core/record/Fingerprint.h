#pragma once

#include "platform/db/RowStore.h"
#include "platform/digest/Sha256.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace db {
class Connection;
}

namespace record {

// What seals a list of rows: how many there are and the SHA-256 of their canonical form (CanonicalForm.h), in
// lower-case hex.
struct ListSeal {
    std::uint64_t count = 0;
    std::string sha256;
    bool operator==(const ListSeal&) const = default;
};

// The SHA-256 of rows in their canonical form, taken row by row.
class Fingerprint {
public:
    Fingerprint();
    void addRow(std::span<const std::optional<std::string_view>> fields);
    // A row as a cursor's snapshot keeps it, each field taken as the database turns it into text.
    void addStoredRow(std::span<const db::RowStore::Field> row);
    // Ends the hash; the fingerprint takes no more rows after it.
    ListSeal result();

    // The canonical bytes of one row, and their SHA-256 in hex: how a single winner row is sealed.
    static std::string rowBytes(std::span<const std::optional<std::string_view>> fields);

    // The rows of a cursor's snapshot in the given order (the handles), `fields` fields each. Reads the store only:
    // it may run on another thread while nothing changes the snapshot.
    static ListSeal ofSnapshot(const db::RowStore& store, std::span<const db::RowStore::Handle> order, int fields);
    // Every row of the store in the order it holds them, `fields` fields each, read through in one pass.
    static ListSeal ofStore(const db::RowStore& store, int fields);
    // The rows of a table as the database holds them now, in ascending order of the first column (ties in rowid
    // order): the participants as the draw would read them. With byRowid, in rowid order instead (the winners).
    static ListSeal ofTable(db::Connection& connection, const std::string& table, bool byRowid = false);

private:
    void flush();

    digest::Sha256 m_hash;
    std::string m_buffer;
    std::uint64_t m_rows = 0;
    // addStoredRow()'s room for the texts of one row.
    std::vector<std::optional<std::string_view>> m_values;
    std::vector<std::string> m_rooms;
};

} // namespace record
