#include "core/participants/ParticipantRows.h"

#include "platform/sheets/ReadError.h"

#include <algorithm>
#include <utility>

namespace {

// 1 -> "A", 27 -> "AA": how a spreadsheet program names a column.
std::string columnName(int column) {
    std::string name;
    for (; column > 0; column = (column - 1) / 26)
        name.insert(name.begin(), static_cast<char>('A' + (column - 1) % 26));
    return name;
}

// A row holds a value when any of its cells has text, or a formula without a stored result.
bool holdsValue(const ParticipantRows::Batch& rows, std::size_t row) {
    for (int column = 1; column <= rows.cellCount(row); ++column)
        if (!rows.cell(row, column).empty()) return true;
    return rows.uncalculatedColumn(row) != 0;
}

} // namespace

ParticipantRows::ParticipantRows(const std::string& path, std::size_t batchRows)
    : m_path(path), m_stream(path, QLocale(), batchRows) {}

void ParticipantRows::countRowsLeftOut(const Batch& rows, std::size_t from) {
    for (std::size_t i = from; i < rows.size(); ++i)
        if (holdsValue(rows, i)) ++m_listEnd.rowsWithValues;
}

void ParticipantRows::learnColumns(const Batch& rows, std::size_t from) {
    for (std::size_t i = from; i < rows.size(); ++i)
        m_columns = std::max(m_columns, rows.cellCount(i));
}

ParticipantRows::Next ParticipantRows::next(Batch& rows, std::chrono::milliseconds wait) {
    rows.clear();
    if (!m_pendingError.empty()) {
        m_ended = true;
        sheets::cannotRead(m_path, std::exchange(m_pendingError, {}));
    }
    while (!m_ended) {
        const Next got = m_stream.next(m_incoming, wait);
        if (got == Next::NotYet) return got;
        if (got == Next::End) {
            m_ended = m_sheetRead = true;
            if (m_delivered > 0) break;
            // A sheet that ends at its heading still gives row 2, empty.
            rows.clear();
            rows.startRow();
            m_delivered = 1;
            return Next::Batch;
        }
        learnColumns(m_incoming, 0);
        if (!m_headingSkipped) {
            m_incoming.dropFront(1);
            m_headingSkipped = true;
        }
        std::size_t walked = 0;
        for (; walked < m_incoming.size(); ++walked) {
            const bool rowTwo = m_delivered == 0;
            if (!rowTwo && m_incoming.cell(walked, 1).empty() && m_incoming.uncalculatedColumn(walked) != 1) {
                m_ended = true;
                m_listEnd.row = m_delivered + 2;
                m_listEnd.rowHoldsValues = holdsValue(m_incoming, walked);
                countRowsLeftOut(m_incoming, walked + 1);
                break;
            }
            if (const int column = m_incoming.uncalculatedColumn(walked)) {
                m_pendingError = "the cell at row " + std::to_string(m_delivered + 2) + ", column " +
                                 columnName(column) +
                                 " holds a formula without a stored result; open the file in a spreadsheet "
                                 "program, save it, and import it again";
                break;
            }
            ++m_delivered;
        }
        m_incoming.truncate(walked);
        std::swap(rows, m_incoming);
        if (!rows.empty()) return Next::Batch;
        if (!m_pendingError.empty()) return next(rows, wait);
    }
    rows.clear();
    return Next::End;
}

bool ParticipantRows::next(Batch& rows) {
    for (;;) {
        const Next got = next(rows, std::chrono::hours(1));
        if (got != Next::NotYet) return got == Next::Batch;
    }
}

ParticipantRows::Next ParticipantRows::finish(std::chrono::milliseconds wait) {
    while (!m_sheetRead) {
        const Next got = m_stream.next(m_incoming, wait);
        if (got == Next::NotYet) return got;
        if (got == Next::End) break;
        learnColumns(m_incoming, 0);
        countRowsLeftOut(m_incoming, 0);
    }
    m_sheetRead = true;
    return Next::End;
}
