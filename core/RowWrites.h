#pragma once

#include "core/record/CursorJournal.h"

namespace db {
class Connection;
}

namespace core {

class Draw;

// The connection's hook for the table cursors: the plan's rules on a row of tb_hadiah, the round's record and the
// handover of a winner row deleted, and the journal's entry of every write (record::CursorJournal), all in the write's
// own transaction. The draw reads the plan again once a write touched it.
class RowWrites : public db::RowWriteHook {
public:
    RowWrites(db::Connection& connection, record::Journal& journal, Draw& draw)
        : m_connection(connection), m_journal(journal), m_draw(draw) {}
    void beforeWrite() override { m_journal.beforeWrite(); }
    void rowWritten(const db::RowWrite& write) override;

private:
    db::Connection& m_connection;
    record::CursorJournal m_journal;
    Draw& m_draw;
};

} // namespace core
