#include "core/winners/ExportLine.h"

#include "platform/db/TableCursor.h"

#include <charconv>

void exportLine(std::size_t number, const db::TableCursor& cursor, std::size_t row, std::string& line) {
    char digits[24];
    line.assign(digits, std::to_chars(digits, digits + sizeof digits, number).ptr);
    line += '\t';
    for (int field = 0; field < 3; ++field) {
        line += cursor.cellText(row, field);
        line += '\t';
    }
}
