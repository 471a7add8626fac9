#include "platform/sheets/SheetReader.h"

#include "platform/sheets/Limits.h"
#include "platform/sheets/ReadError.h"

#include <algorithm>

namespace sheets {

namespace {

bool hasValue(const std::vector<Cell>& cells) {
    return std::any_of(cells.begin(), cells.end(), [](const Cell& c) { return c.kind != Cell::Kind::Empty; });
}

} // namespace

bool SheetReader::nextRow(std::vector<Cell>& cells) {
    while (!m_hasHeld) {
        if (m_finished) return false;
        std::int64_t number = 0;
        if (!readStoredRow(number, m_held)) {
            m_finished = true;
            m_held.clear();
            return false;
        }
        if (number <= m_returned)
            fail("its rows are out of order (row " + std::to_string(number) + " comes after row " +
                 std::to_string(m_returned) + ")");
        if (hasValue(m_held)) {
            m_hasHeld = true;
            m_heldNumber = number;
        }
    }
    ++m_returned;
    if (m_returned < m_heldNumber) {
        cells.clear();
        return true;
    }
    // Swapping hands the row over without copying and gives the reader the caller's old vector to refill.
    cells.swap(m_held);
    while (cells.back().kind == Cell::Kind::Empty)
        cells.pop_back();
    m_hasHeld = false;
    return true;
}

void SheetReader::fail(const std::string& reason) const {
    cannotRead(m_path, reason);
}

Cell& SheetReader::cellAt(std::vector<Cell>& cells, std::int64_t column) const {
    if (column > limits::kMaxColumns) fail("it has more than " + std::to_string(limits::kMaxColumns) + " columns");
    if (column < 1) fail("it names a column before the first");
    const auto index = static_cast<std::size_t>(column - 1);
    if (index >= cells.size()) cells.resize(index + 1);
    return cells[index];
}

void SheetReader::addRowBytes(std::int64_t& rowBytes, std::size_t bytes) const {
    rowBytes += static_cast<std::int64_t>(bytes);
    if (rowBytes > limits::kMaxRowBytes)
        fail("a row holds more than " + std::to_string(limits::kMaxRowBytes / (1024 * 1024)) + " MB of text");
}

void SheetReader::checkCellText(const std::string& text) const {
    checkCellText(text.size(), text.data());
}

void SheetReader::checkCellText(std::size_t bytes, const char* data) const {
    if (bytes <= static_cast<std::size_t>(limits::kMaxCellChars)) return;
    // Count code points only when the bytes alone do not settle it.
    std::size_t chars = 0;
    for (std::size_t i = 0; i < bytes; ++i)
        chars += (static_cast<unsigned char>(data[i]) & 0xC0) != 0x80;
    if (chars > static_cast<std::size_t>(limits::kMaxCellChars))
        fail("a cell holds more than " + std::to_string(limits::kMaxCellChars) + " characters");
}

void SheetReader::checkRowNumber(std::int64_t rowNumber, std::int64_t maxRows) const {
    if (rowNumber > maxRows) fail("it has more than " + std::to_string(maxRows) + " rows");
    if (rowNumber < 1) fail("it names a row before the first");
}

} // namespace sheets
