#pragma once

#include <string>

namespace schema {

// The statements that make an empty db_sms.mdb: the same file the build uses for a new installation.
const char* sql();

// Creates a new database file with the program's tables (the file must not exist yet).
void createDatabase(const std::string& path);

} // namespace schema
