#pragma once

#include "platform/sheets/WorkbookReader.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sheets {

// What the four readers share: rows the file does not store come back empty, rows without any value are held back
// until a row with a value follows (so a sheet ends at its last row that holds anything), a row ends at its last
// used cell, and every failure names the file.
class SheetReader : public WorkbookReader {
public:
    bool nextRow(std::vector<Cell>& cells) final;

protected:
    explicit SheetReader(std::string path) : m_path(std::move(path)) {}

    // The next row the file stores and its 1-based number, greater than the number before. cells may hold stale
    // content from an earlier row; the reader replaces it. Returns false after the last stored row.
    virtual bool readStoredRow(std::int64_t& rowNumber, std::vector<Cell>& cells) = 0;

    const std::string& path() const { return m_path; }
    // Throws platform::Error "Cannot read "<path>": <reason>."
    [[noreturn]] void fail(const std::string& reason) const;

    // The cell for 1-based column in cells, growing cells (with empty cells) as needed; refuses columns past the limit.
    Cell& cellAt(std::vector<Cell>& cells, std::int64_t column) const;
    // Counts the bytes of text put in one row and refuses rows past the limit (a row of thousands of cells
    // that all repeat one long shared string would otherwise fill memory).
    void addRowBytes(std::int64_t& rowBytes, std::size_t bytes) const;
    // Refuses a cell text longer than the limit.
    void checkCellText(const std::string& text) const;
    void checkCellText(std::size_t bytes, const char* data) const;
    // Refuses row numbers past the limit of this format.
    void checkRowNumber(std::int64_t rowNumber, std::int64_t maxRows) const;

private:
    std::string m_path;
    std::vector<Cell> m_held;
    std::int64_t m_heldNumber = 0;
    bool m_hasHeld = false;
    bool m_finished = false;
    std::int64_t m_returned = 0;
};

} // namespace sheets
