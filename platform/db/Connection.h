#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;

namespace db {

class RowWriteHook;
class ServerConnection;

// The one connection to the program's database: a file, or a PostgreSQL server when the path is a connection URI
// (postgresql://desk@server/undian). It never creates a file: a missing database is an error. The program's SQL is
// written for the file; on a server the connection runs it as the server takes it (ServerSql.h).
// Used from one thread at a time (the user-interface thread): SQLite does not lock it.
class Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // A file's path, or a server's connection URI.
    void setDatabasePath(const std::string& path) { m_path = path; }
    const std::string& databasePath() const { return m_path; }
    // The path, or the server's URI without its password: what messages, titles and the record may show.
    std::string displayName() const;
    // Whether the path names a server rather than a file.
    bool isServer() const;
    // Opens the file for reading only (the journal's verification): nothing is written to it, except that a save
    // cut off by a crash is undone first, as any start of the program would undo it.
    void setReadOnly(bool readOnly) { m_readOnly = readOnly; }

    void open();
    void close();
    bool isOpen() const { return m_handle != nullptr || m_server != nullptr; }

    // Runs statements that give no rows, one after the other.
    void exec(std::string_view sql);
    // Makes a new database file at `path` (which must not exist yet) and runs `sql` in it: the program's tables.
    static void createDatabase(const std::string& path, std::string_view sql);

    // What the database holds: whether it has a table, and a table's column names in order (none when there is no
    // such table).
    bool hasTable(const std::string& table) const;
    // The tables the program or anyone made, without the database's own.
    std::vector<std::string> tableNames() const;
    std::vector<std::string> columnNames(const std::string& table) const;
    // A table's columns in order, each with its declared type as the database states it ("INTEGER", "TEXT").
    struct Column {
        std::string name;
        std::string type;
    };
    std::vector<Column> columns(const std::string& table) const;
    // The column that holds a table's rowid (its INTEGER PRIMARY KEY), or empty when the rowid is the database's own
    // (on a server, a key column of its own).
    std::string rowidColumn(const std::string& table) const;
    // After rows were inserted with their rowids given (a copy): the rowids the database gives new rows come after
    // the largest. A file does so by itself; a server's key counter is moved on.
    void rowidsGiven(const std::string& table);
    // A number that moves whenever another connection commits a change to the database.
    std::int64_t changeCounter() const;
    // How long a statement waits for another program's lock before it fails, in milliseconds (3000 from open()).
    void setBusyTimeout(int milliseconds);
    int busyTimeout() const { return m_busyTimeout; }
    // The rowid of the row the last INSERT on this connection made.
    std::int64_t lastInsertRowid() const;
    // The column by which SQL addresses a row of a table that has no key of its own (tb_pemenang): the same key
    // lastInsertRowid() and TableCursor::rowKey() give.
    static constexpr const char* kRowKey = "rowid";
    // The rows the last INSERT, UPDATE or DELETE on this connection changed.
    int changes() const;
    // True while a transaction is open.
    bool inTransaction() const;
    // Inside a transaction: other connections that ask the same for the table wait until this transaction ends, so
    // rows appended to it (the journal's entries) are numbered and committed in one order. A file's writer holds
    // the whole file from the start of its transaction (BEGIN IMMEDIATE), so there this asks nothing more.
    void serializeAppends(const std::string& table);
    // Inside a transaction: other connections that ask the same wait until it ends, so two desks starting at once
    // never both make a missing table. A file's writer holds the whole file already.
    void serializeSchemaChanges();

    // Whether rows appended in bulk (BulkLoad) go in faster than by INSERTs of many rows: a server's COPY.
    bool bulkLoads() const { return m_server != nullptr; }

    // Every table cursor on this connection hands its row writes to the hook, inside the write's transaction.
    void setRowWriteHook(RowWriteHook* hook) { m_hook = hook; }
    RowWriteHook* rowWriteHook() const { return m_hook; }

private:
    friend class Statement;
    friend class BulkLoad;
    friend class Transaction;
    friend class ReadTransaction;
    friend struct SqliteAccess;
    enum class Begin { Write, Read };
    void begin(Begin kind);
    void commit();
    void rollback();
    // Throws when the connection is not open, so callers need not check.
    sqlite3* handle() const;
    void rollBackUnfinishedSave() const;

    std::string m_path;
    sqlite3* m_handle = nullptr;
    std::unique_ptr<ServerConnection> m_server; // instead of m_handle, on a server
    RowWriteHook* m_hook = nullptr;
    bool m_readOnly = false;
    int m_busyTimeout = kBusyTimeout;
    static constexpr int kBusyTimeout = 3000;
};

// Whether a database name is the address of a PostgreSQL server (a libpq URI: postgresql://... or postgres://...)
// rather than the path of a file.
bool isServerAddress(std::string_view name);
// The address as it may be shown: without its password, whether given before the host or as a parameter.
std::string withoutPassword(const std::string& address);

// The database's message for a failed call. Where its bare words would leave the operator guessing ("database is
// locked"), what they mean comes first; the database's own words stay in brackets.
std::string errorMessage(sqlite3* handle, int code);

// While it lives, a statement on the connection that meets another program's lock fails at once instead of waiting
// for it: for a look at the database that only informs and must not keep the screen waiting.
class NoWaitForLocks {
public:
    explicit NoWaitForLocks(Connection& connection) : m_connection(connection), m_wait(connection.busyTimeout()) {
        m_connection.setBusyTimeout(0);
    }
    ~NoWaitForLocks() { m_connection.setBusyTimeout(m_wait); }
    NoWaitForLocks(const NoWaitForLocks&) = delete;
    NoWaitForLocks& operator=(const NoWaitForLocks&) = delete;

private:
    Connection& m_connection;
    int m_wait;
};

// One transaction per logical operation: rolled back unless committed. Opened inside another one, it is a savepoint
// of it: committing it keeps its work for the outer transaction, which alone makes it durable.
class Transaction {
public:
    explicit Transaction(Connection& connection);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit();

private:
    Connection& m_connection;
    bool m_open = true;
    bool m_nested = false;
};

// Reads that must see one moment of the database (the journal beside the tables it accounts for), or that read a
// whole large table: a read transaction, ended when this goes. Inside another transaction it adds nothing.
class ReadTransaction {
public:
    explicit ReadTransaction(Connection& connection);
    ~ReadTransaction();
    ReadTransaction(const ReadTransaction&) = delete;
    ReadTransaction& operator=(const ReadTransaction&) = delete;

private:
    Connection& m_connection;
    bool m_open = false;
};

} // namespace db
