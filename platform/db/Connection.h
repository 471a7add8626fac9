#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct sqlite3;

namespace db {

class RowWriteHook;

// The one connection to the program's database file. It never creates the file: a missing database is an error.
// Used from one thread at a time (the user-interface thread): SQLite does not lock it.
class Connection {
public:
    Connection() = default;
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void setDatabasePath(const std::string& path) { m_path = path; }
    const std::string& databasePath() const { return m_path; }
    // Opens the file for reading only (the journal's verification): nothing is written to it, except that a save
    // cut off by a crash is undone first, as any start of the program would undo it.
    void setReadOnly(bool readOnly) { m_readOnly = readOnly; }

    void open();
    void close();
    bool isOpen() const { return m_handle != nullptr; }

    // Throws "Connection is closed" style errors on a closed connection, so callers need not check.
    sqlite3* handle() const;
    void exec(std::string_view sql);
    // How long a statement waits for another program's lock before it fails, in milliseconds (3000 from open()).
    void setBusyTimeout(int milliseconds);
    int busyTimeout() const { return m_busyTimeout; }
    // The rowid of the row the last INSERT on this connection made.
    std::int64_t lastInsertRowid() const;
    // True while a transaction is open.
    bool inTransaction() const;

    // Every table cursor on this connection hands its row writes to the hook, inside the write's transaction.
    void setRowWriteHook(RowWriteHook* hook) { m_hook = hook; }
    RowWriteHook* rowWriteHook() const { return m_hook; }

private:
    void rollBackUnfinishedSave() const;

    std::string m_path;
    sqlite3* m_handle = nullptr;
    RowWriteHook* m_hook = nullptr;
    bool m_readOnly = false;
    int m_busyTimeout = kBusyTimeout;
    static constexpr int kBusyTimeout = 3000;
};

// The database's message for a failed call. Where its bare words would leave the operator guessing ("database is
// locked"), what they mean comes first; the database's own words stay in brackets.
std::string errorMessage(sqlite3* handle, int code);

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

} // namespace db
