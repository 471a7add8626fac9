#pragma once

struct sqlite3;

namespace db {

class Connection;

// The SQLite handle under a connection, for the tests and benchmarks that look at the connection itself (its
// pragmas, the plan of the statements it runs). The program never uses it: all it asks of the database goes through
// Connection and Statement.
struct SqliteAccess {
    static sqlite3* handle(const Connection& connection);
};

} // namespace db
