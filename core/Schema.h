#pragma once

#include <string>

namespace db {
class Connection;
}

namespace schema {

// Creates a new database file with the program's tables (the file must not exist yet): the statements of
// data/schema.sql, which new installations are made from.
void createDatabase(const std::string& path);

// The setting "winners are not drawn again", a column of setup that older files do not have.
inline constexpr const char* kWinnersOnceColumn = "pemenang_tidak_diundi_lagi";

// Brings an older file up to the program's schema: adds what later versions added, with its default, and
// leaves everything else as it is. A missing table is left to whoever opens it.
void upgrade(db::Connection& connection);

} // namespace schema
