#include "tests/support/TestDatabase.h"

#include "data/Schema.h"

#include <sqlite3.h>
#include <stdexcept>

TestDatabase::TestDatabase() { schema::createDatabase(path()); }

std::string TestDatabase::path() const { return (m_dir.path() + QStringLiteral("/db_sms.mdb")).toStdString(); }

namespace {
struct Handle {
    sqlite3* db = nullptr;
    explicit Handle(const std::string& path) {
        if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
            throw std::runtime_error("cannot open test database");
        sqlite3_busy_timeout(db, 5000);
    }
    ~Handle() { sqlite3_close(db); }
};
} // namespace

void TestDatabase::exec(const std::string& sql) const {
    Handle h(path());
    char* error = nullptr;
    if (sqlite3_exec(h.db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        std::string message = error ? error : "error";
        sqlite3_free(error);
        throw std::runtime_error(message);
    }
}

long long TestDatabase::count(const std::string& table) const {
    return std::stoll(rows("SELECT count(*) FROM " + table).at(0).at(0));
}

std::vector<std::vector<std::string>> TestDatabase::rows(const std::string& sql) const {
    Handle h(path());
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
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
                row.emplace_back(text, static_cast<size_t>(sqlite3_column_bytes(stmt, i)));
            }
        }
        result.push_back(std::move(row));
    }
    sqlite3_finalize(stmt);
    return result;
}

void TestDatabase::addParticipants(int n) const {
    std::vector<long long> ids;
    for (int i = 1; i <= n; ++i) ids.push_back(i);
    addParticipants(ids);
}

void TestDatabase::addParticipants(const std::vector<long long>& ids) const {
    std::string sql = "BEGIN;";
    for (long long id : ids) {
        const std::string s = std::to_string(id);
        sql += "INSERT INTO tb_peserta VALUES(" + s + ",'D" + s + "','Nama " + s + "','08" + s + "');";
    }
    exec(sql + "COMMIT;");
}
