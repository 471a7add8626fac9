#pragma once

#include <cstdint>

struct sqlite3;

namespace bench {

// The baseline every loading benchmark is held to: one statement stepped to the end with the C API, column 0 read
// as an integer and the other columns as text, as a snapshot reads them. Returns the number of rows.
std::int64_t stepReadingColumns(sqlite3* db, const char* sql);

} // namespace bench
