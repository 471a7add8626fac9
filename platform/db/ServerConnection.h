#pragma once

#include "platform/db/ServerSql.h"

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

struct pg_conn;
struct pg_result;

namespace platform {
class Error;
}

namespace db {

// The connection to a PostgreSQL server behind db::Connection: it runs the program's SQL as the server takes it
// (ServerSql.h), knows the server's tables, and turns the server's failures into the operator's messages. When the
// server goes away, what was under way is lost on the server (it rolls the transaction back); the next statement
// outside a transaction connects again.
class ServerConnection {
public:
    ServerConnection(std::string address, bool readOnly);
    ~ServerConnection();
    ServerConnection(const ServerConnection&) = delete;
    ServerConnection& operator=(const ServerConnection&) = delete;

    // Connects; throws with the server's reason when it cannot.
    void open();
    // The address without its password, for messages.
    const std::string& name() const { return m_name; }

    // The live connection, connecting again first when the last one was lost outside a transaction. Throws while a
    // transaction whose connection was lost has not been ended yet: nothing more may be written as part of it.
    pg_conn* live();

    void exec(std::string_view sql);
    // Runs one statement written for the server itself, with text parameters; the caller owns the result.
    pg_result* query(const std::string& sql, const std::vector<std::string>& parameters = {});

    bool hasTable(const std::string& table);
    std::vector<std::string> tableNames();
    struct Column {
        std::string name;
        std::string type;
    };
    std::vector<Column> columns(const std::string& table);
    // What the server knows of a table, or nullptr when it has none: the columns and the key playing the rowid.
    const server::TableShape* shape(const std::string& table);
    server::Shapes shapes();
    std::string rowidColumn(const std::string& table);
    void rowidsGiven(const std::string& table);
    std::int64_t changeCounter();
    std::int64_t lastInsertRowid() const { return m_lastInsertRowid; }
    int changes() const { return m_changes; }
    bool inTransaction();
    void setLockTimeout(int milliseconds);
    void serializeAppends(const std::string& table);
    void serializeSchemaChanges();

    void beginWrite();
    void beginRead();
    void commit();
    void rollback();

    // While above zero, SELECTs inside a transaction fetch their rows in batches through a server cursor.
    void setBatchedReads(bool on) { m_batchedReads += on ? 1 : -1; }
    bool batchedReads() const { return m_batchedReads > 0; }
    // A new name for a server cursor or a prepared statement of this connection.
    std::string newName(const char* prefix);
    // Moves on each new connection: prepared statements of an earlier one are gone.
    int generation() const { return m_generation; }

    // What a statement tells the connection after it ran.
    void ran(pg_result* result, bool newKey);
    // The error for a failed call: the server's message in the operator's words, the connection marked lost when it
    // is. `result` may be null (the failure is then the connection's).
    platform::Error failure(pg_result* result, bool committing = false);
    // The result when the call succeeded; otherwise throws failure(result), the result cleared.
    pg_result* checked(pg_result* result);

private:
    void connect();
    void afterConnect();

    std::string m_address;
    std::string m_name;
    bool m_readOnly;
    pg_conn* m_conn = nullptr;
    int m_generation = 0;
    int m_batchedReads = 0;
    int m_lockTimeout = 3000;
    std::uint64_t m_names = 0;
    bool m_lostInTransaction = false;
    std::int64_t m_lastInsertRowid = 0;
    int m_changes = 0;
    bool m_open = false;                 // a transaction is open, as the server last said
    std::set<std::string> m_appendLocks; // tables locked for appending in the open transaction
    struct TableFacts {
        server::TableShape shape;
        std::vector<std::string> types; // the server's type of each column
    };
    std::map<std::string, TableFacts> m_shapes;
    const TableFacts* facts(const std::string& table);
};

} // namespace db
