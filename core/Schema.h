#pragma once

#include <string>
#include <vector>

namespace db {
class Connection;
}

namespace schema {

// Creates a new database file with the program's tables (the file must not exist yet): the statements of
// data/schema.sql, which new installations are made from.
void createDatabase(const std::string& path);

// The setting "winners are not drawn again", a column of setup that older files do not have.
inline constexpr const char* kWinnersOnceColumn = "pemenang_tidak_diundi_lagi";

// Makes the program's tables that the database lacks, with what a new one holds (the setup row), in one
// transaction, and returns their names: a server's database is made empty by its administrator, and the program
// makes its tables there at its first start (or with --create). The tables the program makes when it first needs
// them (the journal) are made here at once, so several desks never race to make them.
std::vector<std::string> createMissingTables(db::Connection& connection);
// Whether the program makes this table only when it first needs it (the journal, the prize plan's).
bool madeWhenNeeded(const std::string& table);

// Brings an older file up to the program's schema: adds what later versions added, with its default, and
// leaves everything else as it is. A missing table is left to whoever opens it.
void upgrade(db::Connection& connection);

} // namespace schema
