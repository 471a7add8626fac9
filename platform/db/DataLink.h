#pragma once

#include "platform/db/CursorListener.h"

namespace db {

class DataSource;
class TableCursor;

// A data-aware control's tie to its data source: it hears the source's cursor from the moment it is linked, lets go
// of the old source when linked again or when it goes, and forgets a source that goes first.
class DataLink : public CursorListener {
public:
    DataLink() = default;
    ~DataLink() override;
    DataLink(const DataLink&) = delete;
    DataLink& operator=(const DataLink&) = delete;

    // Leaves the source linked before, if any, and hears the new one (none for nullptr).
    void link(DataSource* source);
    // The source's cursor, or nullptr while there is no source or it has none.
    TableCursor* dataSet() const;

private:
    void sourceDestroyed() final { m_source = nullptr; }

    DataSource* m_source = nullptr;
};

} // namespace db
