#include "platform/db/DataSource.h"

#include "platform/db/TableCursor.h"

namespace db {

DataSource::DataSource(TableCursor* cursor) {
    setDataSet(cursor);
}

DataSource::~DataSource() {
    m_listeners.notify(&CursorListener::sourceDestroyed);
    if (m_cursor) m_cursor->removeListener(this);
}

void DataSource::setDataSet(TableCursor* cursor) {
    if (m_cursor) m_cursor->removeListener(this);
    m_cursor = cursor;
    if (m_cursor) m_cursor->addListener(this);
    cursorReset();
}

} // namespace db
