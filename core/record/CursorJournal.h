#pragma once

#include "platform/db/RowWriteHook.h"

#include <QJsonObject>

namespace record {

class Journal;

// The connection's hook for the table cursors: every row that the participants form and grid, the winners grid, the
// plan's grid or the speed setting write or delete gets its journal entry in the same transaction.
class CursorJournal : public db::RowWriteHook {
public:
    explicit CursorJournal(Journal& journal) : m_journal(journal) {}
    void beforeWrite() override;
    void rowWritten(const db::RowWrite& write) override;
    // The same, with more the entry says of the row.
    void record(const db::RowWrite& write, const QJsonObject& more);

    // The entry's kind for a write to this table.
    static const char* kindOf(const db::RowWrite& write);

private:
    Journal& m_journal;
};

} // namespace record
