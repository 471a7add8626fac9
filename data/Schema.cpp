#include "data/Schema.h"

#include "data/schema_sql.h"
#include "platform/Error.h"

#include <optional>
#include <sqlite3.h>

namespace schema {

const char* sql() {
    return kSchemaSql;
}

void createDatabase(const std::string& path) {
    sqlite3* handle = nullptr;
    if (sqlite3_open_v2(path.c_str(), &handle, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        std::string message = handle ? sqlite3_errmsg(handle) : "out of memory";
        sqlite3_close(handle);
        throw platform::Error(message);
    }
    char* error = nullptr;
    if (sqlite3_exec(handle, kSchemaSql, nullptr, nullptr, &error) != SQLITE_OK) {
        std::string message = error ? error : "schema failed";
        sqlite3_free(error);
        sqlite3_close(handle);
        throw platform::Error(message);
    }
    sqlite3_close(handle);
}

namespace {

// Whether the table has the column; nullopt when there is no such table.
std::optional<bool> hasColumn(sqlite3* handle, const char* table, const char* column) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(handle, "SELECT name FROM pragma_table_info(?1)", -1, &statement, nullptr) != SQLITE_OK)
        throw platform::Error(sqlite3_errmsg(handle));
    sqlite3_bind_text(statement, 1, table, -1, SQLITE_STATIC);
    bool anyColumn = false, found = false;
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        anyColumn = true;
        const auto* name = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
        if (name && sqlite3_stricmp(name, column) == 0) found = true;
    }
    sqlite3_finalize(statement);
    if (rc != SQLITE_DONE) throw platform::Error(sqlite3_errmsg(handle));
    if (!anyColumn) return std::nullopt;
    return found;
}

} // namespace

void upgrade(sqlite3* handle) {
    if (hasColumn(handle, "setup", kWinnersOnceColumn).value_or(true)) return;
    const std::string alter = std::string("ALTER TABLE setup ADD COLUMN ") + kWinnersOnceColumn +
                              " INTEGER NOT NULL DEFAULT 0 CHECK (" + kWinnersOnceColumn + " IN (0, 1))";
    char* error = nullptr;
    if (sqlite3_exec(handle, alter.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        std::string message = error ? error : sqlite3_errmsg(handle);
        sqlite3_free(error);
        throw platform::Error(message);
    }
}

} // namespace schema
