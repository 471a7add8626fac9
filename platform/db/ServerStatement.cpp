#include "platform/db/ServerStatement.h"

#include "platform/Error.h"
#include "platform/db/ServerConnection.h"

#include <charconv>
#include <cstdlib>
#include <libpq-fe.h>
#include <sqlite3.h>

namespace db {

namespace {

// Rows per batch of a server cursor: some megabytes of participants, a few dozen round trips per million rows.
constexpr int kBatchRows = 20000;

// The server's type numbers (pg_type.oid), fixed since its first versions.
constexpr unsigned kBool = 16, kBytea = 17, kInt8 = 20, kInt2 = 21, kInt4 = 23, kOid = 26, kFloat4 = 700, kFloat8 = 701,
                   kNumeric = 1700;

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
    return !m_result || m_row < 0 || PQgetisnull(m_result, m_row, column);
}

std::string_view ServerStatement::raw(int column) const {
    return {PQgetvalue(m_result, m_row, column), static_cast<std::size_t>(PQgetlength(m_result, m_row, column))};
}

double ServerStatement::real(int column) const {
    return std::strtod(PQgetvalue(m_result, m_row, column), nullptr);
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
    case Kind::Boolean:
        return raw(column) == "t" ? "1" : "0";
    case Kind::Real:
        // The file's text of a real number, so a fingerprint reads the same bytes from either store.
        room.resize(40);
        sqlite3_snprintf(static_cast<int>(room.size()), room.data(), "%!.15g", real(column));
        return std::string_view(room.c_str());
    case Kind::Blob:
        room = decodedBlob(raw(column));
        return room;
    default:
        return raw(column);
    }
}

} // namespace db
