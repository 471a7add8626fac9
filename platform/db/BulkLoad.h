#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace db {

class Connection;
class ServerConnection;

// Rows appended to a table in one stream, where the database has one (Connection::bulkLoads(): a server's COPY),
// several times faster than INSERTs of many rows each. The stream holds the connection until finish(): no other
// statement runs on it meanwhile. A row the table refuses shows only at finish(), which throws the database's
// message (a refusal carries its code, as a statement's does), and the transaction must then be rolled back to before
// the load: run it inside a Transaction of its own. Going before finish() abandons the load.
class BulkLoad {
public:
    BulkLoad(Connection& connection, const std::string& table, const std::vector<std::string>& columns);
    ~BulkLoad();
    BulkLoad(const BulkLoad&) = delete;
    BulkLoad& operator=(const BulkLoad&) = delete;

    // A row's values, in the order of the columns, then endRow().
    void addNull();
    void addInt(std::int64_t value);
    void addText(std::string_view text);
    void endRow();

    void finish();

private:
    void field();
    void send();

    ServerConnection* m_server;
    std::string m_buffer;
    bool m_open = false;
    bool m_rowStarted = false;
};

} // namespace db
