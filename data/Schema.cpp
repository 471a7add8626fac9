#include "data/Schema.h"

#include "data/schema_sql.h"
#include "platform/Error.h"

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

} // namespace schema
