#include "tests/support/OutsideLook.h"

#include <sqlite3.h>
#include <stdexcept>

namespace outside {

namespace {
struct Handle {
    sqlite3* db = nullptr;
    explicit Handle(const std::string& path) {
        if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
            throw std::runtime_error("cannot open " + path);
        sqlite3_busy_timeout(db, 5000);
    }
    ~Handle() { sqlite3_close(db); }
};
} // namespace

void exec(const std::string& path, const std::string& sql) {
    Handle h(path);
    char* error = nullptr;
    if (sqlite3_exec(h.db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        std::string message = error ? error : "error";
        sqlite3_free(error);
        throw std::runtime_error(message);
    }
}

std::vector<std::vector<std::string>> rows(const std::string& path, const std::string& sql) {
    Handle h(path);
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(h.db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(h.db));
    std::vector<std::vector<std::string>> result;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        std::vector<std::string> row;
        for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
            if (sqlite3_column_type(stmt, i) == SQLITE_NULL) {
                row.emplace_back("<null>");
            } else {
                const auto* text = static_cast<const char*>(sqlite3_column_blob(stmt, i));
                row.emplace_back(text ? text : "", static_cast<std::size_t>(sqlite3_column_bytes(stmt, i)));
            }
        }
        result.push_back(std::move(row));
    }
    sqlite3_finalize(stmt);
    return result;
}

long long count(const std::string& path, const std::string& table) {
    return std::stoll(rows(path, "SELECT count(*) FROM " + table).at(0).at(0));
}

} // namespace outside
