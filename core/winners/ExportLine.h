#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace db {
class TableCursor;
}

// The lines of the winners export, each field followed by a TAB, the last one included.
inline constexpr std::string_view kExportHeader = "No\tMSISDN\tSMS\tHadiah\t";

// The line of the cursor's row `row` (its place in the cursor's order): the running number `number`, then the
// row's columns 0, 1 and 2 as text, unchanged. Written into `line`, whose room serves the next line again.
void exportLine(std::size_t number, const db::TableCursor& cursor, std::size_t row, std::string& line);
