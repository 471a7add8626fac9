#pragma once

#include <cstddef>

namespace db {

// What data-aware controls hear from a cursor.
class CursorListener {
public:
    virtual ~CursorListener() = default;
    // Opened, closed, re-read, or rows added or removed: everything may have changed.
    virtual void cursorReset() {}
    // The values of one row changed (posted, or typed into the pending row).
    virtual void rowChanged(std::size_t /*row*/) {}
    // The current row or the cursor's mode changed.
    virtual void currentChanged() {}
    // Before a pending row is settled or posted: controls hand over what the user typed but has not yet left.
    virtual void updateRecord() {}
    // The data source a control was bound to is going away: the control lets go of it.
    virtual void sourceDestroyed() {}
};

} // namespace db
