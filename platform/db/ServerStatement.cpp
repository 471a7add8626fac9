#include "platform/db/ServerStatement.h"

#include "platform/Error.h"
#include "platform/db/ServerConnection.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <libpq-fe.h>
#include <optional>
#include <sqlite3.h>

namespace db {

namespace {

// Rows per batch of a server cursor: some megabytes of participants, a few dozen round trips per million rows.
constexpr int kBatchRows = 20000;

// The server's type numbers (pg_type.oid), fixed since its first versions.
constexpr unsigned kBool = 16, kBytea = 17, kInt8 = 20, kInt2 = 21, kInt4 = 23, kText = 25, kOid = 26, kFloat4 = 700,
                   kFloat8 = 701, kChar = 1042, kVarchar = 1043, kNumeric = 1700;

ServerStatement::Kind kindOf(unsigned type) {
    switch (type) {
    case kInt8:
    case kInt2:
    case kInt4:
    case kOid:
        return ServerStatement::Kind::Integer;
    case kFloat4:
    case kFloat8:
    case kNumeric:
        return ServerStatement::Kind::Real;
    case kBool:
        return ServerStatement::Kind::Boolean;
    case kBytea:
        return ServerStatement::Kind::Blob;
    default:
        return ServerStatement::Kind::Text;
    }
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 0;
}

} // namespace

ServerStatement::ServerStatement(ServerConnection& connection, std::string_view sql)
    : m_connection(connection), m_translation(server::translate(sql, connection.shapes())) {
    m_connection.live(); // a connection lost outside a transaction is made again here, as a prepare would
    const auto count = static_cast<std::size_t>(m_translation.parameters);
    m_values.resize(count);
    m_null.assign(count, true);
    m_types.assign(count, 0);
}

ServerStatement::~ServerStatement() {
    try {
        if (m_copied) PQfreemem(m_copied);
        m_copied = nullptr;
        finish();
        if (!m_prepared.empty() && m_preparedGeneration == m_connection.generation())
            PQclear(m_connection.query("DEALLOCATE " + m_prepared));
    } catch (...) {
        // the server is gone, and with it what this statement had there
    }
}

void ServerStatement::bind(int index, std::string value, unsigned type) {
    if (index < 1) return;
    const auto at = static_cast<std::size_t>(index - 1);
    if (at >= m_values.size()) {
        m_values.resize(at + 1);
        m_null.resize(at + 1, true);
        m_types.resize(at + 1, 0);
    }
    m_values[at] = std::move(value);
    m_null[at] = false;
    m_types[at] = type;
}

void ServerStatement::bindNull(int index) {
    if (index < 1 || static_cast<std::size_t>(index) > m_values.size()) return;
    m_null[static_cast<std::size_t>(index - 1)] = true;
    m_types[static_cast<std::size_t>(index - 1)] = 0;
}

void ServerStatement::bindText(int index, std::string_view text) {
    // Text goes in the server's text form, which ends at a NUL: such a text is refused rather than cut short there.
    if (text.find('\0') != std::string_view::npos)
        throw platform::Error("The database server cannot store a text that holds a NUL character (0x00)");
    if (index >= 1 && static_cast<std::size_t>(index) <= m_values.size()) {
        auto& value = m_values[static_cast<std::size_t>(index - 1)];
        value.assign(text);
        m_null[static_cast<std::size_t>(index - 1)] = false;
        m_types[static_cast<std::size_t>(index - 1)] = 0;
        return;
    }
    bind(index, std::string(text), 0);
}

void ServerStatement::bindInt(int index, std::int64_t value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    bind(index, std::string(digits, end), kInt8);
}

void ServerStatement::bindReal(int index, double value) {
    char digits[40];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr; // shortest text that reads back exact
    bind(index, std::string(digits, end), kFloat8);
}

void ServerStatement::bindBlob(int index, std::string_view bytes) {
    static constexpr char hex[] = "0123456789abcdef";
    std::string text = "\\x";
    for (unsigned char c : bytes) {
        text += hex[c >> 4];
        text += hex[c & 15];
    }
    bind(index, std::move(text), kBytea);
}

void ServerStatement::execute() {
    finish();
    if (m_readThrough && startCopy()) return;
    PGconn* conn = m_connection.live();
    std::vector<const char*> values(m_values.size());
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = m_null[i] ? nullptr : m_values[i].c_str();
    const int count = static_cast<int>(values.size());
    if (m_translation.returnsRows && m_connection.batchedReads() && m_connection.inTransaction()) {
        const std::string cursor = m_connection.newName("tombolika_rows_");
        PQclear(m_connection.checked(
            PQexecParams(conn, ("DECLARE " + cursor + " NO SCROLL CURSOR FOR " + m_translation.sql).c_str(), count,
                         m_types.data(), values.data(), nullptr, nullptr, 0)));
        m_cursor = cursor;
        fetch();
        return;
    }
    PGresult* result = nullptr;
    if (m_runs == 0) {
        result =
            PQexecParams(conn, m_translation.sql.c_str(), count, m_types.data(), values.data(), nullptr, nullptr, 0);
    } else {
        // Run again: prepared once on the server, so it is not planned anew each time (an upload's inserts).
        if (m_prepared.empty() || m_preparedGeneration != m_connection.generation()) {
            const std::string name = m_connection.newName("tombolika_statement_");
            PQclear(
                m_connection.checked(PQprepare(conn, name.c_str(), m_translation.sql.c_str(), count, m_types.data())));
            m_prepared = name;
            m_preparedGeneration = m_connection.generation();
        }
        result = PQexecPrepared(conn, m_prepared.c_str(), count, values.data(), nullptr, nullptr, 0);
    }
    ++m_runs;
    take(m_connection.checked(result));
    m_connection.ran(m_result, m_translation.returnsNewKey);
    if (m_translation.returnsNewKey) m_rows = 0; // the key asked for is the connection's; the statement gives none
}

void ServerStatement::take(pg_result* result) {
    if (m_result) PQclear(m_result);
    m_result = result;
    m_rows = PQntuples(result);
    m_row = -1;
    const int columns = PQnfields(result);
    m_kinds.resize(static_cast<std::size_t>(columns));
    for (int i = 0; i < columns; ++i)
        m_kinds[static_cast<std::size_t>(i)] = kindOf(PQftype(result, i));
    m_rooms.resize(static_cast<std::size_t>(columns));
}

bool ServerStatement::fetch() {
    take(m_connection.checked(
        PQexec(m_connection.live(), ("FETCH FORWARD " + std::to_string(kBatchRows) + " FROM " + m_cursor).c_str())));
    if (m_rows < kBatchRows) {
        // The last batch: the cursor is closed now rather than left to the end of the transaction.
        PQclear(m_connection.checked(PQexec(m_connection.live(), ("CLOSE " + m_cursor).c_str())));
        m_cursor.clear();
    }
    return m_rows > 0;
}

void ServerStatement::finish() {
    if (m_copying) {
        // Left before its last row: the rest is read and dropped, so the connection can run the next statement.
        while (nextCopiedRow()) {
        }
    }
    if (!m_cursor.empty()) {
        const std::string cursor = std::move(m_cursor);
        m_cursor.clear();
        if (m_connection.inTransaction())
            PQclear(m_connection.checked(PQexec(m_connection.live(), ("CLOSE " + cursor).c_str())));
    }
    if (m_result) PQclear(m_result);
    m_result = nullptr;
    m_rows = 0;
    m_row = -1;
}

bool ServerStatement::step() {
    if (!m_executed) {
        m_executed = true;
        try {
            execute();
        } catch (...) {
            m_executed = false;
            throw;
        }
    }
    if (m_copying) {
        if (nextCopiedRow()) return true;
        m_executed = false;
        return false;
    }
    if (m_row + 1 < m_rows) {
        ++m_row;
        return true;
    }
    if (!m_cursor.empty() && fetch()) {
        m_row = 0;
        return true;
    }
    // Done: a further step runs the statement again, as the file's statements do.
    finish();
    m_executed = false;
    return false;
}

bool ServerStatement::runUnlessRefused(std::string& refusal) {
    // A failed statement spoils the server's transaction: a savepoint keeps what came before it.
    const bool inTransaction = m_connection.inTransaction();
    if (inTransaction) m_connection.exec("SAVEPOINT tombolika_refusable");
    try {
        execute();
    } catch (const platform::Error& error) {
        finish();
        m_executed = false;
        if ((error.code() & 0xff) != SQLITE_CONSTRAINT) throw;
        if (inTransaction)
            m_connection.exec("ROLLBACK TO SAVEPOINT tombolika_refusable; RELEASE SAVEPOINT tombolika_refusable");
        refusal = error.what();
        return false;
    }
    finish();
    m_executed = false;
    if (inTransaction) m_connection.exec("RELEASE SAVEPOINT tombolika_refusable");
    return true;
}

void ServerStatement::reset() {
    finish();
    m_executed = false;
    std::fill(m_null.begin(), m_null.end(), true);
    std::fill(m_types.begin(), m_types.end(), 0u);
}

int ServerStatement::columnCount() const {
    if (m_copying) return static_cast<int>(m_kinds.size());
    if (m_result) return PQnfields(m_result);
    // Asked before the first step, as the file's statements can answer: the server describes it.
    if (m_described < 0) {
        const std::string name = m_connection.newName("tombolika_described_");
        PGconn* conn = m_connection.live();
        PQclear(m_connection.checked(PQprepare(conn, name.c_str(), m_translation.sql.c_str(),
                                               static_cast<int>(m_types.size()), m_types.data())));
        PGresult* description = m_connection.checked(PQdescribePrepared(conn, name.c_str()));
        m_described = PQnfields(description);
        PQclear(description);
        PQclear(m_connection.query("DEALLOCATE " + name));
    }
    return m_described;
}

bool ServerStatement::columnIsNull(int column) const {
    if (m_copying) return !m_copied || m_lengths[static_cast<std::size_t>(column)] < 0;
    return !m_result || m_row < 0 || PQgetisnull(m_result, m_row, column);
}

std::string_view ServerStatement::raw(int column) const {
    if (m_copying)
        return {m_copied + m_offsets[static_cast<std::size_t>(column)],
                static_cast<std::size_t>(std::max(m_lengths[static_cast<std::size_t>(column)], 0))};
    return {PQgetvalue(m_result, m_row, column), static_cast<std::size_t>(PQgetlength(m_result, m_row, column))};
}

double ServerStatement::real(int column) const {
    if (m_copying) {
        const std::int64_t bits = binaryInt(column);
        if (raw(column).size() == 4) {
            float value;
            const auto word = static_cast<std::uint32_t>(bits);
            std::memcpy(&value, &word, sizeof value);
            return value;
        }
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    return std::strtod(PQgetvalue(m_result, m_row, column), nullptr);
}

std::string ServerStatement::blob(int column) const {
    return m_copying ? std::string(raw(column)) : decodedBlob(raw(column));
}

std::int64_t ServerStatement::binaryInt(int column) const {
    // The server's binary form: big-endian, two, four or eight bytes.
    std::uint64_t value = 0;
    const std::string_view bytes = raw(column);
    for (unsigned char byte : bytes)
        value = (value << 8) | byte;
    if (bytes.size() == 2) return static_cast<std::int16_t>(value);
    if (bytes.size() == 4) return static_cast<std::int32_t>(value);
    return static_cast<std::int64_t>(value);
}

bool ServerStatement::startCopy() {
    if (m_translation.parameters > 0 || !m_translation.returnsRows) return false;
    // The columns' types, which the binary form does not carry: the server describes the statement first.
    PGconn* conn = m_connection.live();
    const std::string name = m_connection.newName("tombolika_described_");
    PQclear(m_connection.checked(PQprepare(conn, name.c_str(), m_translation.sql.c_str(), 0, nullptr)));
    PGresult* description = m_connection.checked(PQdescribePrepared(conn, name.c_str()));
    const int columns = PQnfields(description);
    std::vector<Kind> kinds;
    bool binaryKnown = true;
    for (int i = 0; i < columns; ++i) {
        const unsigned type = PQftype(description, i);
        kinds.push_back(kindOf(type));
        // Numbers of the server's own decimal form and types of its own stay with the text form.
        binaryKnown = binaryKnown && type != kNumeric && type != kOid &&
                      (kinds.back() != Kind::Text || type == kText || type == kVarchar || type == kChar);
    }
    PQclear(description);
    PQclear(m_connection.query("DEALLOCATE " + name));
    if (!binaryKnown) return false;
    PGresult* started = PQexec(conn, ("COPY (" + m_translation.sql + ") TO STDOUT (FORMAT binary)").c_str());
    if (PQresultStatus(started) != PGRES_COPY_OUT) PQclear(m_connection.checked(started));
    PQclear(started);
    m_kinds = std::move(kinds);
    m_rooms.assign(m_kinds.size(), {});
    m_offsets.assign(m_kinds.size(), 0);
    m_lengths.assign(m_kinds.size(), -1);
    m_copying = true;
    m_copyHeaderRead = false;
    return true;
}

bool ServerStatement::nextCopiedRow() {
    if (m_copied) {
        PQfreemem(m_copied);
        m_copied = nullptr;
    }
    PGconn* conn = m_connection.live();
    const auto int16 = [](const char* p) {
        return static_cast<std::int16_t>((static_cast<unsigned char>(p[0]) << 8) | static_cast<unsigned char>(p[1]));
    };
    const auto int32 = [](const char* p) {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i)
            value = (value << 8) | static_cast<unsigned char>(p[i]);
        return static_cast<std::int32_t>(value);
    };
    for (;;) {
        char* message = nullptr;
        const int size = PQgetCopyData(conn, &message, 0);
        if (size == -1) {
            endCopy();
            return false;
        }
        if (size < 0) {
            m_copying = false;
            throw m_connection.failure(nullptr);
        }
        const char* p = message;
        const char* end = message + size;
        if (!m_copyHeaderRead) {
            // The signature, the flags, and the header's extension with its length.
            p += 11 + 4;
            p += 4 + int32(p);
            m_copyHeaderRead = true;
        }
        if (p + 2 > end || int16(p) < 0) { // the header alone, or the trailer
            PQfreemem(message);
            continue;
        }
        const int fields = int16(p);
        p += 2;
        for (int i = 0; i < fields && i < static_cast<int>(m_kinds.size()); ++i) {
            const int length = int32(p);
            p += 4;
            m_offsets[static_cast<std::size_t>(i)] = static_cast<int>(p - message);
            m_lengths[static_cast<std::size_t>(i)] = length;
            if (length > 0) p += length;
        }
        m_copied = message;
        return true;
    }
}

void ServerStatement::endCopy() {
    m_copying = false;
    PGconn* conn = m_connection.live();
    PGresult* result = PQgetResult(conn);
    // The server's word on the whole stream: an error comes here, after the rows it did send.
    std::optional<platform::Error> error;
    if (PQresultStatus(result) != PGRES_COMMAND_OK) error.emplace(m_connection.failure(result));
    PQclear(result);
    while ((result = PQgetResult(conn)))
        PQclear(result);
    if (error) throw *error;
}

std::string ServerStatement::decodedBlob(std::string_view hex) {
    std::string bytes;
    if (hex.size() >= 2 && hex[0] == '\\' && hex[1] == 'x') hex.remove_prefix(2);
    bytes.reserve(hex.size() / 2);
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes += static_cast<char>(hexDigit(hex[i]) * 16 + hexDigit(hex[i + 1]));
    return bytes;
}

std::int64_t ServerStatement::columnInt(int column) const {
    if (columnIsNull(column)) return 0;
    const std::string_view text = raw(column);
    if (m_copying && kind(column) == Kind::Integer) return binaryInt(column);
    if (m_copying && kind(column) == Kind::Boolean) return text.size() == 1 && text[0] != 0;
    switch (kind(column)) {
    case Kind::Boolean:
        return text == "t" ? 1 : 0;
    case Kind::Real:
        return static_cast<std::int64_t>(real(column));
    default: {
        // As the file reads a number from the start of a text, 0 when there is none.
        std::int64_t value = 0;
        std::size_t start = 0;
        while (start < text.size() && text[start] == ' ')
            ++start;
        std::from_chars(text.data() + start + (start < text.size() && text[start] == '+'), text.data() + text.size(),
                        value);
        return value;
    }
    }
}

std::string_view ServerStatement::columnText(int column) const {
    if (columnIsNull(column)) return {};
    std::string& room = m_rooms[static_cast<std::size_t>(column)];
    switch (kind(column)) {
    case Kind::Integer:
        if (!m_copying) return raw(column);
        room.resize(24);
        room.resize(static_cast<std::size_t>(
            std::to_chars(room.data(), room.data() + room.size(), binaryInt(column)).ptr - room.data()));
        return room;
    case Kind::Boolean:
        return columnInt(column) ? "1" : "0";
    case Kind::Real:
        // The file's text of a real number, so a fingerprint reads the same bytes from either store.
        room.resize(40);
        sqlite3_snprintf(static_cast<int>(room.size()), room.data(), "%!.15g", real(column));
        return std::string_view(room.c_str());
    case Kind::Blob:
        if (m_copying) return raw(column);
        room = decodedBlob(raw(column));
        return room;
    default:
        return raw(column);
    }
}

} // namespace db
