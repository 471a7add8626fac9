#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace platform {
class Error;
}

namespace db {

class Connection;
class ServerStatement;

// A table or column name as SQL quotes it: in double quotes, a double quote inside doubled.
std::string quotedIdentifier(const std::string& identifier);

// A prepared statement that finalizes itself; failures throw platform::Error with the database's message and code.
class Statement {
public:
    Statement(const Connection& connection, std::string_view sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    void bindNull(int index);
    void bindText(int index, std::string_view text);
    // Binds text without copying it: the caller keeps it alive and unchanged until the statement has run.
    void bindTextNoCopy(int index, std::string_view text);
    void bindInt(int index, std::int64_t value);
    void bindReal(int index, double value);
    void bindBlob(int index, std::string_view bytes);
    // Binds text, or NULL when the optional is empty.
    void bind(int index, const std::optional<std::string>& value);

    // The rows will be read straight through to the last, with no other statement on the connection meanwhile (a
    // snapshot's load): a server may then send them in its fastest form.
    void readThrough();

    // Runs one step: true while a row is available, false when done.
    bool step();
    // Runs a statement that gives no rows (an insert): true when done; false when a constraint refused a row, with
    // the database's message in refusal: what the statement did is undone and the transaction goes on. Any other
    // failure throws. Either way the statement is ready to run again, its bindings kept.
    bool runUnlessRefused(std::string& refusal);
    void reset();

    int columnCount() const;
    bool columnIsNull(int column) const;
    std::int64_t columnInt(int column) const;
    std::string_view columnText(int column) const;

    // The statement underneath: SQLite's on a file, else the server's.
    sqlite3_stmt* get() const { return m_stmt; }
    const ServerStatement* server() const { return m_server.get(); }

private:
    sqlite3* m_handle = nullptr;
    sqlite3_stmt* m_stmt = nullptr;
    std::unique_ptr<ServerStatement> m_server;
};

// The statements of an SQL text holding several, separated by semicolons outside quotes and comments.
std::vector<std::string> statementsOf(std::string_view sql);

// Whether the database refused a row by one of the table's rules (a key taken, a value missing, a check).
bool isRefusal(const platform::Error& error);

// Whether the database refused a row because its key is already taken by another row.
bool isDuplicateKey(const platform::Error& error);

} // namespace db
