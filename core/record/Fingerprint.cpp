#include "core/record/Fingerprint.h"

#include "core/record/CanonicalForm.h"
#include "platform/db/Connection.h"
#include "platform/db/Statement.h"

#include "platform/Error.h"

#include <QFile>

namespace record {

namespace {
// The hash takes the bytes in blocks of this size: one call per row would cost more than the hashing.
constexpr std::size_t kBlock = 64 * 1024;

} // namespace

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
            values[at] = db::RowStore::storedText(store.field(handle, i), rooms[at]);
        }
        fingerprint.addRow(values);
    }
    return fingerprint.result();
}

ListSeal Fingerprint::ofTable(db::Connection& connection, const std::string& table, bool byRowid) {
    db::ReadTransaction reading(connection);
    db::Statement select(connection, "SELECT * FROM " + db::quotedIdentifier(table) +
                                         (byRowid ? " ORDER BY rowid" : " ORDER BY 1, rowid"));
    Fingerprint fingerprint;
    const int fields = select.columnCount();
    std::vector<std::optional<std::string_view>> values(static_cast<std::size_t>(fields));
    while (select.step()) {
        for (int i = 0; i < fields; ++i) {
            // The statement gives the database's own text of a number, and a blob's bytes as they are.
            if (select.columnIsNull(i))
                values[static_cast<std::size_t>(i)] = std::nullopt;
            else
                values[static_cast<std::size_t>(i)] = select.columnText(i);
        }
        fingerprint.addRow(values);
    }
    return fingerprint.result();
}

} // namespace record
