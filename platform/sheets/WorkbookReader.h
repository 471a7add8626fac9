#pragma once

#include "platform/sheets/Cell.h"

#include <memory>
#include <string>
#include <vector>

namespace sheets {

// Reads the first worksheet of a workbook row by row, holding little more than one row in memory.
class WorkbookReader {
public:
    // Recognises xlsx, ods, xls (BIFF5 and BIFF8) or csv from the file's content, not its name; anything else, or a
    // file that cannot be opened or read, throws platform::Error with a message that names the file. Formats that
    // are recognised but not read (xlsb, Excel 2 to 4, password-protected files) say what they are and what to do.
    static std::unique_ptr<WorkbookReader> open(const std::string& path);
    // Refuses at once, without opening it, a path that names something other than a regular file: opening a named
    // pipe or a device could wait for ever. A missing file passes (opening it says so).
    static void checkIsFile(const std::string& path);

    virtual ~WorkbookReader() = default;

    // The next row of the first worksheet, starting with row 1; rows the file skips come back empty (no cells).
    // cells[i] is column i+1, and the last cell holds a value (so cells.size() is the row's last used column).
    // Returns false once past the last row that holds anything. Damage found while reading throws platform::Error.
    virtual bool nextRow(std::vector<Cell>& cells) = 0;
};

} // namespace sheets
