#include "participants/ParticipantRows.h"

#include <algorithm>

ParticipantRows::ParticipantRows(const std::string& path, std::size_t batchRows)
    : m_stream(path, QLocale(), batchRows) {}

int ParticipantRows::columnCount() {
    if (m_columns == 0) m_columns = std::max(1, m_stream.lastUsedColumn());
    return m_columns;
}

bool ParticipantRows::next(Batch& rows) {
    const auto columns = static_cast<std::size_t>(columnCount());
    while (!m_ended) {
        if (!m_stream.next(rows)) {
            m_ended = true;
            if (m_delivered > 0) break;
            // A sheet that ends at its heading still gives row 2, empty.
            rows.assign(1, Row());
            m_delivered = 1;
            return true;
        }
        auto first = rows.begin();
        if (!m_headingSkipped && first != rows.end()) {
            ++first;
            m_headingSkipped = true;
        }
        auto last = first;
        for (; last != rows.end(); ++last) {
            const bool rowTwo = m_delivered == 0;
            if (!rowTwo && (last->empty() || last->front().empty())) {
                m_ended = true;
                // Nothing after the gap is read: stop parsing the rest of the file.
                m_stream.cancel();
                break;
            }
            if (last->size() > columns) last->resize(columns);
            ++m_delivered;
        }
        rows.erase(last, rows.end());
        rows.erase(rows.begin(), first);
        if (!rows.empty()) return true;
    }
    rows.clear();
    return false;
}
