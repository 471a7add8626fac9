#pragma once

#include "platform/sheets/Cell.h"

#include <memory>
#include <string>
#include <vector>

namespace sheets {

// Reads the first worksheet of a workbook row by row, holding little more than one row in memory.
class WorkbookReader {
public:
    // Recognises xlsx, ods, xls (BIFF8) or csv from the file's content, not its name; anything else, or a file that
    // cannot be opened or read, throws platform::Error with a message that names the file.
    static std::unique_ptr<WorkbookReader> open(const std::string& path);

    virtual ~WorkbookReader() = default;

    // The next row of the first worksheet, starting with row 1; rows the file skips come back empty (no cells).
    // cells[i] is column i+1; trailing empty cells may be left out. Returns false once past the last row that holds
    // anything. Damage found while reading throws platform::Error.
    virtual bool nextRow(std::vector<Cell>& cells) = 0;

    // Column (1-based) of the sheet's last used cell; 0 for an empty sheet. xlsx reads the declared <dimension> and
    // xls the DIMENSIONS record (no scan); an xlsx without <dimension>, ods and csv read the sheet once more to find
    // it. Independent of how far nextRow has got.
    virtual int lastUsedColumn() = 0;
};

} // namespace sheets
