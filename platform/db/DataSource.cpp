#include "platform/db/DataSource.h"

#include "platform/db/TableCursor.h"

#include <algorithm>

namespace db {

DataSource::DataSource(TableCursor* cursor) {
    setDataSet(cursor);
}

DataSource::~DataSource() {
    for (auto* l : std::vector<CursorListener*>(m_listeners))
        l->sourceDestroyed();
    if (m_cursor) m_cursor->removeListener(this);
}

void DataSource::setDataSet(TableCursor* cursor) {
    if (m_cursor) m_cursor->removeListener(this);
    m_cursor = cursor;
    if (m_cursor) m_cursor->addListener(this);
    cursorReset();
}

void DataSource::addListener(CursorListener* listener) {
    m_listeners.push_back(listener);
}

void DataSource::removeListener(CursorListener* listener) {
    m_listeners.erase(std::remove(m_listeners.begin(), m_listeners.end(), listener), m_listeners.end());
}

void DataSource::cursorReset() {
    for (auto* l : std::vector<CursorListener*>(m_listeners))
        l->cursorReset();
}
void DataSource::rowChanged(std::size_t row) {
    for (auto* l : std::vector<CursorListener*>(m_listeners))
        l->rowChanged(row);
}
void DataSource::updateRecord() {
    for (auto* l : std::vector<CursorListener*>(m_listeners))
        l->updateRecord();
}
void DataSource::currentChanged() {
    for (auto* l : std::vector<CursorListener*>(m_listeners))
        l->currentChanged();
}

} // namespace db
