#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The program's SQL is written once, as the database file understands it. A PostgreSQL server is given the same
// statements with what differs turned into its own words: `?` and `?N` parameters become `$N`, rowid becomes the
// table's key column, a bare `*` lists the columns without that key, `IS ?` becomes IS NOT DISTINCT FROM, a mixed-case
// column name is quoted as the server keeps it, and a CREATE TABLE gets the server's types and a key where the file
// has its rowid.
namespace db::server {

// What the server knows of one table: its columns in order (the key column named "rowid", which only the server
// has, included) and the column that plays the rowid.
struct TableShape {
    std::vector<std::string> columns;
    std::string key;
    // The key is a column of its own that the file does not have ("rowid"), rather than an INTEGER PRIMARY KEY.
    bool hiddenKey() const { return key == kHiddenKey; }
    static constexpr const char* kHiddenKey = "rowid";
};

// The shape of a table by name, or nullptr when the server has no such table.
using Shapes = std::function<const TableShape*(const std::string& table)>;

struct Translation {
    std::string sql;
    int parameters = 0;       // the highest parameter number used
    bool returnsRows = false; // a SELECT (or VALUES/WITH): its rows may be fetched in batches
    // A single-row INSERT given "RETURNING key", so the connection knows the new row's rowid: the caller sees no row.
    bool returnsNewKey = false;
    bool changesSchema = false;   // CREATE, ALTER or DROP: what the server knows of tables may have changed
    std::string createsIfMissing; // CREATE TABLE IF NOT EXISTS: the table's name
    // CREATE TABLE with an INTEGER PRIMARY KEY: the table and that column, which the server then gives the file's
    // rule for a row inserted without it (integerKeyTrigger()).
    std::string table;
    std::string integerKey;
};

// The statement as the server takes it. Throws platform::Error for what only the file understands (PRAGMA).
Translation translate(std::string_view sql, const Shapes& shapes);

// The statements that give a table's INTEGER PRIMARY KEY column the file's rule: a row inserted without it (or with
// NULL) gets the largest key there and one. Inserters of the table wait for each other there, so two desks never
// take the same key.
std::string integerKeyTrigger(const std::string& table, const std::string& column);

// The statements of a text that holds several, separated by semicolons outside quotes and comments; empty ones left
// out.
std::vector<std::string> statementsOf(std::string_view sql);

// An identifier as the server reads it unchanged: in double quotes unless it is lower-case letters, digits and
// underscores and no keyword of ours.
std::string serverIdentifier(const std::string& name);

} // namespace db::server
