#include "platform/db/ServerConnection.h"

#include "platform/Error.h"
#include "platform/db/Connection.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <functional>
#include <libpq-fe.h>
#include <sqlite3.h>

namespace db {

namespace {

// The server's words on one line, without the line break libpq ends them with.
std::string oneLine(const char* text) {
    std::string line = text ? text : "";
    std::string out;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '\n' || line[i] == '\t') {
            if (!out.empty() && out.back() != ' ') out += ' ';
            continue;
        }
        out += line[i];
    }
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

std::string field(const PGresult* result, int code) {
    const char* value = result ? PQresultErrorField(result, code) : nullptr;
    return value ? value : "";
}

// "Key (a, b)=(1, 2) already exists." -> "a, b", each without quotes.
std::string keyColumns(const std::string& detail) {
    const auto open = detail.find('(');
    const auto close = detail.find(")=(");
    if (open == std::string::npos || close == std::string::npos || close < open) return {};
    std::string columns;
    for (char c : detail.substr(open + 1, close - open - 1))
        if (c != '"') columns += c;
    return columns;
}

std::string typeName(const std::string& serverType) {
    if (serverType == "bigint" || serverType == "integer" || serverType == "smallint") return "INTEGER";
    if (serverType == "text" || serverType.rfind("character", 0) == 0) return "TEXT";
    if (serverType == "double precision" || serverType == "real") return "REAL";
    if (serverType == "bytea") return "BLOB";
    std::string type = serverType;
    std::transform(type.begin(), type.end(), type.begin(), [](unsigned char c) { return std::toupper(c); });
    return type;
}

struct Result {
    PGresult* get = nullptr;
    explicit Result(PGresult* result) : get(result) {}
    ~Result() { PQclear(get); }
    Result(const Result&) = delete;
    Result& operator=(const Result&) = delete;
};

} // namespace

bool isServerAddress(std::string_view name) {
    return name.rfind("postgresql://", 0) == 0 || name.rfind("postgres://", 0) == 0;
}

std::string withoutPassword(const std::string& address) {
    if (!isServerAddress(address)) return address;
    const auto scheme = address.find("://");
    if (scheme == std::string::npos) return address;
    const std::size_t start = scheme + 3;
    const std::size_t authorityEnd = std::min(address.find('/', start), address.find('?', start));
    std::string authority =
        address.substr(start, authorityEnd == std::string::npos ? std::string::npos : authorityEnd - start);
    if (const auto at = authority.rfind('@'); at != std::string::npos) {
        if (const auto colon = authority.find(':'); colon < at) authority.erase(colon, at - colon);
    }
    std::string rest = authorityEnd == std::string::npos ? std::string() : address.substr(authorityEnd);
    const auto query = rest.find('?');
    if (query != std::string::npos) {
        std::string kept;
        std::size_t from = query + 1;
        while (from <= rest.size()) {
            const auto end = std::min(rest.find('&', from), rest.size());
            const std::string parameter = rest.substr(from, end - from);
            if (!parameter.empty() && parameter.rfind("password=", 0) != 0)
                kept += (kept.empty() ? "" : "&") + parameter;
            from = end + 1;
        }
        rest = rest.substr(0, query) + (kept.empty() ? "" : "?" + kept);
    }
    return address.substr(0, start) + authority + rest;
}

ServerConnection::ServerConnection(std::string address, bool readOnly)
    : m_address(std::move(address)), m_name(withoutPassword(m_address)), m_readOnly(readOnly) {}

ServerConnection::~ServerConnection() {
    if (m_conn) PQfinish(m_conn);
}

void ServerConnection::open() {
    connect();
}

void ServerConnection::connect() {
    if (m_conn) {
        PQfinish(m_conn);
        m_conn = nullptr;
    }
    // The address's own settings (sslmode, connect_timeout, ...) come after these defaults and so win over them.
    const char* keywords[] = {"connect_timeout", "fallback_application_name", "dbname", nullptr};
    const char* values[] = {"10", "tombolika", m_address.c_str(), nullptr};
    m_conn = PQconnectdbParams(keywords, values, 1);
    if (!m_conn || PQstatus(m_conn) != CONNECTION_OK) {
        const std::string reason = m_conn ? oneLine(PQerrorMessage(m_conn)) : "out of memory";
        if (m_conn) PQfinish(m_conn);
        m_conn = nullptr;
        throw platform::Error("Cannot open the database '" + m_name + "': " + reason);
    }
    if (PQserverVersion(m_conn) < 130000) {
        PQfinish(m_conn);
        m_conn = nullptr;
        throw platform::Error("Cannot open the database '" + m_name + "': the server is older than PostgreSQL 13");
    }
    afterConnect();
}

void ServerConnection::afterConnect() {
    PQsetClientEncoding(m_conn, "UTF8");
    // The server's notices ("table already exists, skipping") are for a person at psql, not for the operator.
    PQsetNoticeProcessor(
        m_conn, [](void*, const char*) {}, nullptr);
    ++m_generation;
    m_shapes.clear();
    m_appendLocks.clear();
    m_lostInTransaction = false;
    m_open = false;
    std::string setup = "SET lock_timeout = " + std::to_string(std::max(m_lockTimeout, 1));
    if (m_readOnly) setup += "; SET default_transaction_read_only = on";
    Result result(PQexec(m_conn, setup.c_str()));
    if (PQresultStatus(result.get) != PGRES_COMMAND_OK)
        throw platform::Error("Cannot open the database '" + m_name +
                              "': " + oneLine(PQresultErrorMessage(result.get)));
}

pg_conn* ServerConnection::live() {
    if (!m_conn) throw platform::Error("The database connection is not open");
    if (PQstatus(m_conn) == CONNECTION_OK) return m_conn;
    if (m_lostInTransaction)
        throw platform::Error("The connection to the database server " + m_name +
                              " was lost: nothing of what was under way was stored");
    PQreset(m_conn);
    if (PQstatus(m_conn) != CONNECTION_OK)
        throw platform::Error("Cannot reach the database server " + m_name + " (" + oneLine(PQerrorMessage(m_conn)) +
                              "); try again when it is back");
    afterConnect();
    return m_conn;
}

platform::Error ServerConnection::failure(pg_result* result, bool committing) {
    if (!m_conn || PQstatus(m_conn) != CONNECTION_OK) {
        const std::string reason =
            oneLine(result && *PQresultErrorMessage(result) ? PQresultErrorMessage(result) : PQerrorMessage(m_conn));
        m_lostInTransaction = m_open;
        m_open = false;
        if (committing)
            return platform::Error("The connection to the database server " + m_name +
                                   " was lost while the change was being stored (" + reason +
                                   "): it may or may not be stored; look before doing it again. The next action "
                                   "connects again");
        return platform::Error("The connection to the database server " + m_name + " was lost (" + reason +
                               "): nothing of this action was stored. The next action connects again");
    }
    const std::string state = field(result, PG_DIAG_SQLSTATE);
    const std::string primary = result ? field(result, PG_DIAG_MESSAGE_PRIMARY) : oneLine(PQerrorMessage(m_conn));
    const std::string words = primary.empty() ? oneLine(PQerrorMessage(m_conn)) : primary;
    const std::string table = field(result, PG_DIAG_TABLE_NAME);
    // The file's words for the refusals the screens and their tests know.
    if (state == "23505") {
        const std::string key = keyColumns(field(result, PG_DIAG_MESSAGE_DETAIL));
        std::string columns;
        for (std::size_t from = 0;;) {
            const auto end = key.find(", ", from);
            columns += (columns.empty() ? "" : ", ") + table + "." + key.substr(from, end - from);
            if (end == std::string::npos) break;
            from = end + 2;
        }
        return platform::Error("UNIQUE constraint failed: " + columns, SQLITE_CONSTRAINT_UNIQUE);
    }
    if (state == "23502")
        return platform::Error("NOT NULL constraint failed: " + table + "." + field(result, PG_DIAG_COLUMN_NAME),
                               SQLITE_CONSTRAINT_NOTNULL);
    if (state == "23514")
        return platform::Error("CHECK constraint failed: " + field(result, PG_DIAG_CONSTRAINT_NAME),
                               SQLITE_CONSTRAINT_CHECK);
    if (state.rfind("23", 0) == 0) return platform::Error(words, SQLITE_CONSTRAINT);
    if (state == "42P01" || state == "42703") {
        // relation "t" does not exist / column "c" does not exist
        const auto open = words.find('"');
        const auto close = words.find('"', open + 1);
        if (open != std::string::npos && close != std::string::npos)
            return platform::Error((state == "42P01" ? "no such table: " : "no such column: ") +
                                       words.substr(open + 1, close - open - 1),
                                   SQLITE_ERROR);
    }
    if (state == "55P03" || state == "40P01" || state == "40001")
        return platform::Error("The database on " + m_name +
                                   " is held by another desk; try again when it has finished (" + words + ")",
                               SQLITE_BUSY);
    if (state == "53100")
        return platform::Error("The database server's disk is full; make room there and try again (" + words + ")",
                               SQLITE_FULL);
    if (state == "25006")
        return platform::Error("The database on " + m_name + " is open for reading only (" + words + ")",
                               SQLITE_READONLY);
    if (state == "42501")
        return platform::Error("The database server " + m_name + " does not allow this (" + words + ")", SQLITE_PERM);
    return platform::Error(words, SQLITE_ERROR);
}

pg_result* ServerConnection::checked(pg_result* result) {
    const ExecStatusType status = PQresultStatus(result);
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) {
        const PGTransactionStatusType transaction = PQtransactionStatus(m_conn);
        m_open = transaction == PQTRANS_INTRANS || transaction == PQTRANS_INERROR;
        return result;
    }
    platform::Error error = failure(result);
    PQclear(result);
    throw error;
}

void ServerConnection::exec(std::string_view sql) {
    for (const std::string& statement : server::statementsOf(sql)) {
        const server::Translation translation = server::translate(statement, shapes());
        if (!translation.createsIfMissing.empty() && shape(translation.createsIfMissing)) continue;
        Result result(checked(PQexec(live(), translation.sql.c_str())));
        if (!translation.integerKey.empty())
            PQclear(
                checked(PQexec(m_conn, server::integerKeyTrigger(translation.table, translation.integerKey).c_str())));
        if (translation.changesSchema) m_shapes.clear();
        ran(result.get, false);
    }
}

pg_result* ServerConnection::query(const std::string& sql, const std::vector<std::string>& parameters) {
    std::vector<const char*> values;
    for (const std::string& parameter : parameters)
        values.push_back(parameter.c_str());
    return checked(PQexecParams(live(), sql.c_str(), static_cast<int>(values.size()), nullptr, values.data(), nullptr,
                                nullptr, 0));
}

const server::TableShape* ServerConnection::shape(const std::string& table) {
    const TableFacts* known = facts(table);
    return known ? &known->shape : nullptr;
}

const ServerConnection::TableFacts* ServerConnection::facts(const std::string& table) {
    if (const auto known = m_shapes.find(table); known != m_shapes.end()) return &known->second;
    Result result(query(
        "SELECT a.attname, pg_catalog.format_type(a.atttypid, a.atttypmod), EXISTS (SELECT 1 FROM pg_catalog.pg_index "
        "i WHERE i.indrelid = c.oid AND i.indisprimary AND i.indnatts = 1 AND i.indkey[0] = a.attnum) "
        "FROM pg_catalog.pg_class c JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace "
        "JOIN pg_catalog.pg_attribute a ON a.attrelid = c.oid "
        "WHERE n.nspname = current_schema() AND c.relname = $1 AND c.relkind IN ('r', 'p') "
        "AND a.attnum > 0 AND NOT a.attisdropped ORDER BY a.attnum",
        {table}));
    const int rows = PQntuples(result.get);
    if (rows == 0) {
        // A name written without quotes is the server's in lower case.
        std::string folded = table;
        std::transform(folded.begin(), folded.end(), folded.begin(), [](unsigned char c) { return std::tolower(c); });
        return folded == table ? nullptr : facts(folded);
    }
    TableFacts found;
    for (int row = 0; row < rows; ++row) {
        found.shape.columns.emplace_back(PQgetvalue(result.get, row, 0));
        found.types.emplace_back(PQgetvalue(result.get, row, 1));
        if (*PQgetvalue(result.get, row, 2) == 't') found.shape.key = found.shape.columns.back();
    }
    return &m_shapes.emplace(table, std::move(found)).first->second;
}

server::Shapes ServerConnection::shapes() {
    return [this](const std::string& table) { return shape(table); };
}

bool ServerConnection::hasTable(const std::string& table) {
    return shape(table) != nullptr;
}

std::vector<std::string> ServerConnection::tableNames() {
    Result result(
        query("SELECT c.relname FROM pg_catalog.pg_class c JOIN pg_catalog.pg_namespace n ON n.oid = "
              "c.relnamespace WHERE n.nspname = current_schema() AND c.relkind IN ('r', 'p') ORDER BY c.oid"));
    std::vector<std::string> names;
    for (int row = 0; row < PQntuples(result.get); ++row)
        names.emplace_back(PQgetvalue(result.get, row, 0));
    return names;
}

std::vector<ServerConnection::Column> ServerConnection::columns(const std::string& table) {
    std::vector<Column> columns;
    const TableFacts* known = facts(table);
    if (!known) return columns;
    const server::TableShape& shape = known->shape;
    for (std::size_t i = 0; i < shape.columns.size(); ++i)
        if (!(shape.hiddenKey() && shape.columns[i] == server::TableShape::kHiddenKey))
            columns.push_back({shape.columns[i], typeName(known->types[i])});
    return columns;
}

std::string ServerConnection::rowidColumn(const std::string& table) {
    const server::TableShape* known = shape(table);
    return known && !known->hiddenKey() ? known->key : std::string();
}

void ServerConnection::rowidsGiven(const std::string& table) {
    const server::TableShape* known = shape(table);
    if (!known || known->key.empty()) return;
    const std::string name = server::serverIdentifier(table), key = server::serverIdentifier(known->key);
    PQclear(query("SELECT pg_catalog.setval(pg_catalog.pg_get_serial_sequence($1, $2), coalesce((SELECT max(" + key +
                      ") FROM " + name + "), 0) + 1, false)",
                  {name, known->key}));
}

std::int64_t ServerConnection::changeCounter() {
    // The server's snapshot names every transaction that has committed and every one still under way: it is the
    // same exactly while no other transaction has committed a change.
    Result result(query("SELECT pg_catalog.pg_current_snapshot()::text"));
    return static_cast<std::int64_t>(std::hash<std::string>()(PQgetvalue(result.get, 0, 0)) >> 1);
}

bool ServerConnection::inTransaction() {
    if (!m_conn || PQstatus(m_conn) != CONNECTION_OK) return false;
    const PGTransactionStatusType transaction = PQtransactionStatus(m_conn);
    return transaction == PQTRANS_INTRANS || transaction == PQTRANS_INERROR || transaction == PQTRANS_ACTIVE;
}

void ServerConnection::setLockTimeout(int milliseconds) {
    m_lockTimeout = milliseconds;
    // 0 asks not to wait at all; the server's 0 would wait for ever.
    exec("SET lock_timeout = " + std::to_string(std::max(milliseconds, 1)));
}

void ServerConnection::serializeAppends(const std::string& table) {
    if (!inTransaction() || m_appendLocks.count(table)) return;
    // Writers of the table wait for each other; readers never wait.
    exec("LOCK TABLE " + server::serverIdentifier(table) + " IN SHARE ROW EXCLUSIVE MODE");
    m_appendLocks.insert(table);
}

void ServerConnection::serializeSchemaChanges() {
    if (!inTransaction()) return;
    // A lock of the program's own on the database, held to the end of the transaction.
    PQclear(query("SELECT pg_catalog.pg_advisory_xact_lock(7205, 0)"));
    m_shapes.clear(); // what another desk made meanwhile is read anew
}

void ServerConnection::beginWrite() {
    exec("BEGIN");
}

void ServerConnection::beginRead() {
    // The server's own statement, sent as it stands: exec() would take it for SQLite's BEGIN and drop the isolation
    // level, and each read would then see the database at another moment.
    PQclear(query("BEGIN ISOLATION LEVEL REPEATABLE READ, READ ONLY"));
}

void ServerConnection::commit() {
    m_appendLocks.clear();
    PGresult* raw = PQexec(live(), "COMMIT");
    if (PQresultStatus(raw) != PGRES_COMMAND_OK) {
        platform::Error error = failure(raw, true);
        PQclear(raw);
        throw error;
    }
    Result result(raw);
    m_open = false;
    // A transaction in which a statement failed ends in a rollback, which COMMIT reports without an error.
    if (std::strcmp(PQcmdStatus(result.get), "ROLLBACK") == 0)
        throw platform::Error("The change was not stored: a statement of it had failed, so the database server " +
                              m_name + " undid all of it");
}

void ServerConnection::rollback() {
    m_appendLocks.clear();
    m_shapes.clear(); // a table made in the transaction is gone with it
    if (m_lostInTransaction || !m_conn || PQstatus(m_conn) != CONNECTION_OK) {
        m_lostInTransaction = false; // the server undid it when the connection went; the next action reconnects
        m_open = false;
        return;
    }
    Result result(checked(PQexec(m_conn, "ROLLBACK")));
}

std::string ServerConnection::newName(const char* prefix) {
    return std::string(prefix) + std::to_string(++m_names);
}

void ServerConnection::ran(pg_result* result, bool newKey) {
    const char* command = PQcmdStatus(result);
    if (std::strncmp(command, "INSERT", 6) == 0 || std::strncmp(command, "UPDATE", 6) == 0 ||
        std::strncmp(command, "DELETE", 6) == 0) {
        const char* tuples = PQcmdTuples(result);
        int changes = 0;
        std::from_chars(tuples, tuples + std::strlen(tuples), changes);
        m_changes = changes;
    }
    if (newKey && PQntuples(result) > 0) {
        const char* key = PQgetvalue(result, PQntuples(result) - 1, 0);
        std::from_chars(key, key + std::strlen(key), m_lastInsertRowid);
    }
}

} // namespace db
