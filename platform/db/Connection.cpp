#include "platform/db/Connection.h"

#include "platform/Error.h"
#include "platform/db/ServerConnection.h"
#include "platform/db/SqliteAccess.h"
#include "platform/db/Statement.h"

#include <filesystem>
#include <sqlite3.h>
#include <system_error>

namespace db {

std::string errorMessage(sqlite3* handle, int code) {
    const std::string words = handle ? sqlite3_errmsg(handle) : sqlite3_errstr(code);
    switch (code & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return "The database is locked by another program; try again when it has finished (" + words + ")";
    case SQLITE_FULL:
        return "The disk is full; make room and try again (" + words + ")";
    case SQLITE_IOERR:
        // A write past the room on the disk, or past the system's file-size limit, reports only "disk I/O error".
        if (handle && sqlite3_extended_errcode(handle) == SQLITE_IOERR_WRITE)
            return "The database file could not be written; the disk may be full (" + words + ")";
        return words;
    case SQLITE_READONLY:
        // SQLite opened a write-protected file read-only, and the connection stays so.
        return "The database file is read-only; make it writable and start the program again (" + words + ")";
    default:
        return words;
    }
}

Connection::Connection() = default;

Connection::~Connection() {
    close();
}

bool Connection::isServer() const {
    return isServerAddress(m_path);
}

std::string Connection::displayName() const {
    return isServer() ? withoutPassword(m_path) : m_path;
}

void Connection::open() {
    close();
    if (isServer()) {
        auto server = std::make_unique<ServerConnection>(m_path, m_readOnly);
        server->open();
        m_busyTimeout = kBusyTimeout;
        m_server = std::move(server);
        return;
    }
    std::error_code ec;
    if (!std::filesystem::exists(m_path, ec)) throw platform::Error("Could not find file '" + m_path + "'.");

    sqlite3* handle = nullptr;
    // One thread uses the connection, so SQLite need not lock it at every call: a locked connection spent a
    // sixth of the time of reading the participants at start-up on its mutex.
    const int rc =
        sqlite3_open_v2(m_path.c_str(), &handle,
                        (m_readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        std::string reason = errorMessage(handle, rc);
        sqlite3_close(handle);
        throw platform::Error("Cannot open the database '" + m_path + "': " + reason);
    }
    sqlite3_extended_result_codes(handle, 0);
    // Another program holding the file briefly should not fail a save at once.
    m_busyTimeout = kBusyTimeout;
    sqlite3_busy_timeout(handle, m_busyTimeout);
    // A confirmed save must survive a killed process or a power cut: full sync of the rollback journal.
    // Reading the schema here also tells a damaged or foreign file at start-up rather than at the first save.
    const char* setup =
        m_readOnly ? "SELECT count(*) FROM sqlite_master;"
                   : "PRAGMA synchronous=FULL; PRAGMA journal_mode=DELETE; SELECT count(*) FROM sqlite_master;";
    int failed = sqlite3_exec(handle, setup, nullptr, nullptr, nullptr);
    if (m_readOnly && failed != SQLITE_OK && sqlite3_extended_errcode(handle) == SQLITE_READONLY_ROLLBACK) {
        // A save cut off by a crash or a power cut left its rollback journal: a reader may not look at the file
        // until the save is undone, and only a writer can undo it. The program's own start would do the same.
        sqlite3_close(handle);
        handle = nullptr;
        rollBackUnfinishedSave();
        if (sqlite3_open_v2(m_path.c_str(), &handle, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr) ==
            SQLITE_OK) {
            sqlite3_extended_result_codes(handle, 0);
            sqlite3_busy_timeout(handle, m_busyTimeout);
            failed = sqlite3_exec(handle, setup, nullptr, nullptr, nullptr);
        } else {
            failed = sqlite3_errcode(handle);
        }
    }
    if (failed != SQLITE_OK) {
        std::string reason = errorMessage(handle, failed);
        // SQLite's words for a damaged or foreign file are a programmer's.
        if ((failed & 0xff) == SQLITE_CORRUPT || (failed & 0xff) == SQLITE_NOTADB)
            reason = "the file is damaged or is not the program's database (" + reason + ")";
        sqlite3_close(handle);
        throw platform::Error("Cannot open the database '" + m_path + "': " + reason);
    }
    m_handle = handle;
}

void Connection::rollBackUnfinishedSave() const {
    sqlite3* writer = nullptr;
    if (sqlite3_open_v2(m_path.c_str(), &writer, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) == SQLITE_OK) {
        sqlite3_busy_timeout(writer, m_busyTimeout);
        sqlite3_exec(writer, "SELECT count(*) FROM sqlite_master;", nullptr, nullptr, nullptr);
    }
    // A file that cannot be written keeps its journal: opening it again for reading then says it is read-only.
    sqlite3_close(writer);
}

void Connection::close() {
    m_server.reset();
    if (m_handle) {
        sqlite3_close_v2(m_handle);
        m_handle = nullptr;
    }
}

sqlite3* Connection::handle() const {
    if (!m_handle) throw platform::Error("The database connection is not open");
    return m_handle;
}

sqlite3* SqliteAccess::handle(const Connection& connection) {
    return connection.handle();
}

void Connection::exec(std::string_view sql) {
    if (m_server) return m_server->exec(sql);
    const std::string text(sql);
    if (const int rc = sqlite3_exec(handle(), text.c_str(), nullptr, nullptr, nullptr); rc != SQLITE_OK)
        throw platform::Error(errorMessage(m_handle, rc));
}

void Connection::createDatabase(const std::string& path, std::string_view sql) {
    if (isServerAddress(path)) {
        // A server's database is made by its administrator: the program makes its tables in it.
        Connection connection;
        connection.setDatabasePath(path);
        connection.open();
        connection.exec(sql);
        return;
    }
    sqlite3* handle = nullptr;
    if (const int rc = sqlite3_open_v2(path.c_str(), &handle, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
        rc != SQLITE_OK) {
        std::string message = errorMessage(handle, rc);
        sqlite3_close(handle);
        throw platform::Error("Cannot make the database '" + path + "': " + message);
    }
    const std::string text(sql);
    char* error = nullptr;
    if (const int rc = sqlite3_exec(handle, text.c_str(), nullptr, nullptr, &error); rc != SQLITE_OK) {
        std::string message = error ? error : errorMessage(handle, rc);
        sqlite3_free(error);
        sqlite3_close(handle);
        throw platform::Error(message);
    }
    sqlite3_close(handle);
}

bool Connection::hasTable(const std::string& table) const {
    if (m_server) return m_server->hasTable(table);
    Statement query(*this, "SELECT 1 FROM sqlite_master WHERE type='table' AND name=?");
    query.bindText(1, table);
    return query.step();
}

std::vector<std::string> Connection::tableNames() const {
    if (m_server) return m_server->tableNames();
    Statement query(*this,
                    "SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'");
    std::vector<std::string> names;
    while (query.step())
        names.emplace_back(query.columnText(0));
    return names;
}

std::vector<std::string> Connection::columnNames(const std::string& table) const {
    std::vector<std::string> names;
    for (Column& column : columns(table))
        names.push_back(std::move(column.name));
    return names;
}

std::vector<Connection::Column> Connection::columns(const std::string& table) const {
    if (m_server) {
        std::vector<Column> columns;
        for (auto& column : m_server->columns(table))
            columns.push_back({std::move(column.name), std::move(column.type)});
        return columns;
    }
    Statement info(*this, "SELECT name, type FROM pragma_table_info(?)");
    info.bindText(1, table);
    std::vector<Column> columns;
    while (info.step())
        columns.push_back({std::string(info.columnText(0)), std::string(info.columnText(1))});
    return columns;
}

std::string Connection::rowidColumn(const std::string& table) const {
    if (m_server) return m_server->rowidColumn(table);
    Statement key(*this, "SELECT name FROM pragma_table_info(?1) WHERE pk = 1 AND upper(type) = 'INTEGER' AND "
                         "(SELECT count(*) FROM pragma_table_info(?1) WHERE pk > 0) = 1");
    key.bindText(1, table);
    return key.step() ? std::string(key.columnText(0)) : std::string();
}

void Connection::rowidsGiven(const std::string& table) {
    if (m_server) m_server->rowidsGiven(table);
}

void Connection::serializeSchemaChanges() {
    if (m_server) m_server->serializeSchemaChanges();
}

void Connection::serializeAppends(const std::string& table) {
    if (m_server) m_server->serializeAppends(table);
    // On a file, BEGIN IMMEDIATE took the file's write lock for the whole transaction.
}

std::int64_t Connection::changeCounter() const {
    if (m_server) return m_server->changeCounter();
    Statement pragma(*this, "PRAGMA data_version");
    return pragma.step() ? pragma.columnInt(0) : 0;
}

int Connection::changes() const {
    if (m_server) return m_server->changes();
    return sqlite3_changes(handle());
}

void Connection::setBusyTimeout(int milliseconds) {
    if (m_server) {
        m_server->setLockTimeout(milliseconds);
        m_busyTimeout = milliseconds;
        return;
    }
    sqlite3_busy_timeout(handle(), milliseconds);
    m_busyTimeout = milliseconds;
}

std::int64_t Connection::lastInsertRowid() const {
    if (m_server) return m_server->lastInsertRowid();
    return sqlite3_last_insert_rowid(handle());
}

bool Connection::inTransaction() const {
    if (m_server) return m_server->inTransaction();
    return sqlite3_get_autocommit(handle()) == 0;
}

void Connection::begin(Begin kind) {
    if (m_server) return kind == Begin::Write ? m_server->beginWrite() : m_server->beginRead();
    exec(kind == Begin::Write ? "BEGIN IMMEDIATE" : "BEGIN");
}

void Connection::commit() {
    if (m_server) return m_server->commit();
    exec("COMMIT");
}

void Connection::rollback() {
    if (m_server) return m_server->rollback();
    exec("ROLLBACK");
}

Transaction::Transaction(Connection& connection) : m_connection(connection), m_nested(connection.inTransaction()) {
    if (m_nested)
        m_connection.exec("SAVEPOINT nested");
    else
        m_connection.begin(Connection::Begin::Write);
}

Transaction::~Transaction() {
    if (m_open) {
        try {
            if (m_nested)
                m_connection.exec("ROLLBACK TO nested; RELEASE nested");
            else
                m_connection.rollback();
        } catch (...) {
            // The database already ended the transaction (for example on a full disk).
        }
    }
}

void Transaction::commit() {
    if (m_nested)
        m_connection.exec("RELEASE nested");
    else
        m_connection.commit();
    m_open = false;
}

ReadTransaction::ReadTransaction(Connection& connection) : m_connection(connection) {
    if (!m_connection.inTransaction()) {
        m_connection.begin(Connection::Begin::Read);
        m_open = true;
    }
    if (m_connection.m_server) m_connection.m_server->setBatchedReads(true);
}

ReadTransaction::~ReadTransaction() {
    if (m_connection.m_server) m_connection.m_server->setBatchedReads(false);
    if (!m_open) return;
    try {
        m_connection.rollback(); // nothing was written: this only lets go of what the reads held
    } catch (...) {
    }
}

} // namespace db
