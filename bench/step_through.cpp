#include "bench/step_through.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <sqlite3.h>

namespace bench {

std::int64_t stepReadingColumns(sqlite3* db, const char* sql) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK) std::abort();
    const int columns = sqlite3_column_count(stmt);
    std::int64_t rows = 0, bytes = 0;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        ++rows;
        bytes += sqlite3_column_int64(stmt, 0);
        for (int i = 1; i < columns; ++i) {
            benchmark::DoNotOptimize(sqlite3_column_text(stmt, i));
            bytes += sqlite3_column_bytes(stmt, i);
        }
    }
    sqlite3_finalize(stmt);
    benchmark::DoNotOptimize(bytes);
    return rows;
}

} // namespace bench
