#pragma once

#include "platform/db/CursorListener.h"

#include <vector>

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

    void addListener(CursorListener* listener);
    void removeListener(CursorListener* listener);

private:
    void cursorReset() override;
    void rowChanged(std::size_t row) override;
    void currentChanged() override;
    void updateRecord() override;

    TableCursor* m_cursor = nullptr;
    std::vector<CursorListener*> m_listeners;
};

} // namespace db
