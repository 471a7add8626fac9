#include "platform/record/Fingerprint.h"

#include "platform/db/Connection.h"
#include "platform/db/Statement.h"
#include "platform/record/CanonicalForm.h"

#include "platform/Error.h"

#include <QFile>
#include <charconv>
#include <sqlite3.h>

namespace record {

namespace {
// The hash takes the bytes in blocks of this size: one call per row would cost more than the hashing.
constexpr std::size_t kBlock = 64 * 1024;

} // namespace

std::optional<std::string_view> storedText(const db::RowStore::Field& field, std::string& room) {
    switch (field.kind) {
    case db::RowStore::Kind::Null:
        return std::nullopt;
    case db::RowStore::Kind::Integer: {
        room.resize(24);
        const auto end = std::to_chars(room.data(), room.data() + room.size(), field.integer).ptr;
        return std::string_view(room.data(), static_cast<std::size_t>(end - room.data()));
    }
    case db::RowStore::Kind::Real: {
        // SQLite's own conversion of a real to text, so the form matches CAST(x AS TEXT).
        room.resize(40);
        sqlite3_snprintf(static_cast<int>(room.size()), room.data(), "%!.15g", field.real);
        return std::string_view(room.c_str());
    }
    case db::RowStore::Kind::Text:
    case db::RowStore::Kind::Blob:
        return field.text;
    }
    return std::nullopt;
}

std::string fileSha256(const std::string& path) {
    QFile file(QString::fromStdString(path));
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        throw platform::Error("Cannot read '" + path + "': " + file.errorString().toStdString());
    return hash.result().toHex().toStdString();
}

Fingerprint::Fingerprint() : m_hash(QCryptographicHash::Sha256) {
    m_buffer.reserve(kBlock + 1024);
}

void Fingerprint::addRow(std::span<const std::optional<std::string_view>> fields) {
    canonical::appendRow(m_buffer, fields);
    ++m_rows;
    if (m_buffer.size() >= kBlock) flush();
}

void Fingerprint::flush() {
    m_hash.addData(QByteArrayView(m_buffer.data(), static_cast<qsizetype>(m_buffer.size())));
    m_buffer.clear();
}

ListSeal Fingerprint::result() {
    flush();
    return {m_rows, m_hash.result().toHex().toStdString()};
}

std::string Fingerprint::rowBytes(std::span<const std::optional<std::string_view>> fields) {
    std::string bytes;
    canonical::appendRow(bytes, fields);
    return bytes;
}

ListSeal Fingerprint::ofSnapshot(const db::RowStore& store, std::span<const db::RowStore::Handle> order, int fields) {
    Fingerprint fingerprint;
    std::vector<std::optional<std::string_view>> values(static_cast<std::size_t>(fields));
    std::vector<std::string> rooms(static_cast<std::size_t>(fields));
    for (const db::RowStore::Handle handle : order) {
        for (int i = 0; i < fields; ++i) {
            const auto at = static_cast<std::size_t>(i);
            values[at] = storedText(store.field(handle, i), rooms[at]);
        }
        fingerprint.addRow(values);
    }
    return fingerprint.result();
}

ListSeal Fingerprint::ofTable(db::Connection& connection, const std::string& table, bool byRowid) {
    db::Statement select(connection.handle(), "SELECT * FROM " + db::quotedIdentifier(table) +
                                                  (byRowid ? " ORDER BY rowid" : " ORDER BY 1, rowid"));
    Fingerprint fingerprint;
    const int fields = select.columnCount();
    std::vector<std::optional<std::string_view>> values(static_cast<std::size_t>(fields));
    while (select.step()) {
        for (int i = 0; i < fields; ++i) {
            // sqlite3_column_text gives SQLite's own text of a number, and a blob's bytes as they are.
            if (select.columnType(i) == SQLITE_NULL)
                values[static_cast<std::size_t>(i)] = std::nullopt;
            else
                values[static_cast<std::size_t>(i)] = select.columnText(i);
        }
        fingerprint.addRow(values);
    }
    return fingerprint.result();
}

} // namespace record
