#pragma once

#include <string>
#include <vector>

// A look at a database file from outside the program, through a connection of its own, as the sqlite3 tool would.
namespace outside {

void exec(const std::string& path, const std::string& sql);
// Every row of a query, fields as text (NULL as "<null>"), bytes as stored.
std::vector<std::vector<std::string>> rows(const std::string& path, const std::string& sql);
long long count(const std::string& path, const std::string& table);

} // namespace outside
