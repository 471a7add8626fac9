#pragma once

#include "platform/db/CursorListener.h"
#include "platform/db/Listeners.h"

namespace db {

class TableCursor;

// Binds data-aware controls to a cursor: they register here and hear about every change of the cursor.
class DataSource : private CursorListener {
public:
    explicit DataSource(TableCursor* cursor = nullptr);
    ~DataSource() override;
    DataSource(const DataSource&) = delete;
    DataSource& operator=(const DataSource&) = delete;

    void setDataSet(TableCursor* cursor);
    TableCursor* dataSet() const { return m_cursor; }

    void addListener(CursorListener* listener) { m_listeners.add(listener); }
    void removeListener(CursorListener* listener) { m_listeners.remove(listener); }

private:
    // What the cursor says is passed on as it is.
    void cursorReset() override { m_listeners.notify(&CursorListener::cursorReset); }
    void rowChanged(std::size_t row) override { m_listeners.notify(&CursorListener::rowChanged, row); }
    void currentChanged() override { m_listeners.notify(&CursorListener::currentChanged); }
    void updateRecord() override { m_listeners.notify(&CursorListener::updateRecord); }

    TableCursor* m_cursor = nullptr;
    Listeners m_listeners;
};

} // namespace db
