#include "platform/db/BulkLoad.h"

#include "platform/Error.h"
#include "platform/db/Connection.h"
#include "platform/db/ServerConnection.h"
#include "platform/db/ServerSql.h"

#include <charconv>
#include <libpq-fe.h>
#include <optional>

namespace db {

namespace {
// What is sent to the server at a time.
constexpr std::size_t kSendBytes = std::size_t{1} << 20;
} // namespace

BulkLoad::BulkLoad(Connection& connection, const std::string& table, const std::vector<std::string>& columns)
    : m_server(connection.m_server.get()) {
    if (!m_server) throw platform::Error("This database takes no bulk loads: its rows go in by INSERT");
    std::string sql = "COPY " + server::serverIdentifier(table) + " (";
    for (std::size_t i = 0; i < columns.size(); ++i)
        sql += (i ? ", " : "") + server::serverIdentifier(columns[i]);
    sql += ") FROM STDIN";
    PGconn* conn = m_server->live();
    PGresult* started = PQexec(conn, sql.c_str());
    if (PQresultStatus(started) != PGRES_COPY_IN) PQclear(m_server->checked(started));
    PQclear(started);
    m_open = true;
    m_buffer.reserve(kSendBytes + 4096);
}

BulkLoad::~BulkLoad() {
    if (!m_open) return;
    // Abandoned: the server ends the COPY with an error, which spoils the transaction until it is rolled back.
    try {
        PGconn* conn = m_server->live();
        PQputCopyEnd(conn, "the load was abandoned");
        while (PGresult* result = PQgetResult(conn))
            PQclear(result);
    } catch (...) {
    }
}

void BulkLoad::field() {
    if (m_rowStarted) m_buffer += '\t';
    m_rowStarted = true;
}

void BulkLoad::addNull() {
    field();
    m_buffer += "\\N";
}

void BulkLoad::addInt(std::int64_t value) {
    field();
    char digits[24];
    m_buffer.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

void BulkLoad::addText(std::string_view text) {
    field();
    // COPY's text form: a backslash, a tab and the line breaks are written as escapes.
    for (const char c : text) {
        switch (c) {
        case '\\':
            m_buffer += "\\\\";
            break;
        case '\t':
            m_buffer += "\\t";
            break;
        case '\n':
            m_buffer += "\\n";
            break;
        case '\r':
            m_buffer += "\\r";
            break;
        case '\0':
            throw platform::Error("The database server cannot store a text that holds a NUL character (0x00)");
        default:
            m_buffer += c;
        }
    }
}

void BulkLoad::endRow() {
    m_buffer += '\n';
    m_rowStarted = false;
    if (m_buffer.size() >= kSendBytes) send();
}

void BulkLoad::send() {
    if (m_buffer.empty()) return;
    PGconn* conn = m_server->live();
    if (PQputCopyData(conn, m_buffer.data(), static_cast<int>(m_buffer.size())) != 1) {
        m_open = false;
        throw m_server->failure(nullptr);
    }
    m_buffer.clear();
}

void BulkLoad::finish() {
    send();
    m_open = false;
    PGconn* conn = m_server->live();
    if (PQputCopyEnd(conn, nullptr) != 1) throw m_server->failure(nullptr);
    // The server's word on every row: a refused one is named here.
    std::optional<platform::Error> error;
    PGresult* result = PQgetResult(conn);
    if (PQresultStatus(result) != PGRES_COMMAND_OK)
        error.emplace(m_server->failure(result));
    else
        m_server->ran(result, false);
    PQclear(result);
    while ((result = PQgetResult(conn)))
        PQclear(result);
    if (error) throw *error;
}

} // namespace db
