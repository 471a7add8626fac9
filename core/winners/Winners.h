#pragma once

#include <QString>
#include <cstddef>

namespace db {
class TableCursor;
}
namespace record {
class Journal;
}

namespace core {

// The winners table as the winners screen hands it out: the export. A winner is deleted, typed in or changed through
// a table cursor, whose writes the journal records through its hook.
class Winners {
public:
    explicit Winners(record::Journal& journal) : m_journal(journal) {}

    // "Export Excel": a header line and one tab-separated line per row of the cursor's snapshot, in its order, written
    // whole or not at all and put in place inside the transaction of its journal entry (which names the file by the
    // SHA-256 of its bytes): both there, or neither. Returns the rows written. The cursor ends past its last row, as a
    // walk through it would leave it; when a line cannot be written, on that line's row.
    std::size_t exportTo(db::TableCursor& winners, const QString& path);

private:
    record::Journal& m_journal;
};

} // namespace core
