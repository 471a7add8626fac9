#include "tests/db/TempDatabase.h"

#include "data/Schema.h"

#include <cstdlib>
#include <sqlite3.h>
#include <stdexcept>

namespace {

std::filesystem::path makeTempDirectory() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tombolika-db-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary directory");
    return pattern;
}

struct Handle {
    sqlite3* db = nullptr;
    explicit Handle(const std::string& path) {
        if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
            throw std::runtime_error("cannot open " + path);
    }
    ~Handle() { sqlite3_close(db); }
};

} // namespace

TempDirectory::TempDirectory() : m_path(makeTempDirectory()) {}

TempDirectory::~TempDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

TempDatabase::TempDatabase() : m_dir(makeTempDirectory()) {
    schema::createDatabase(path());
    m_cn.setDatabasePath(path());
    m_cn.open();
}

TempDatabase::~TempDatabase() {
    m_cn.close();
    std::error_code ignored;
    std::filesystem::remove_all(m_dir, ignored);
}

void TempDatabase::exec(const std::string& sql) const {
    Handle h(path());
    char* error = nullptr;
    if (sqlite3_exec(h.db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        std::string message = error ? error : "error";
        sqlite3_free(error);
        throw std::runtime_error(message);
    }
}

std::vector<std::vector<std::string>> TempDatabase::rows(const std::string& sql) const {
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
                const auto* text = static_cast<const char*>(sqlite3_column_blob(stmt, i));
                row.emplace_back(text ? text : "", static_cast<std::size_t>(sqlite3_column_bytes(stmt, i)));
            }
        }
        result.push_back(std::move(row));
    }
    sqlite3_finalize(stmt);
    return result;
}

long long TempDatabase::count(const std::string& table) const {
    return std::stoll(rows("SELECT count(*) FROM " + table).at(0).at(0));
}
