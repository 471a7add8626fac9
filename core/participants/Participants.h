#pragma once

#include "core/participants/ParticipantUpload.h"

#include <cstdint>
#include <string>

namespace db {
class Connection;
}
namespace record {
class Journal;
}

namespace core {

// The participants table as a whole: how many it holds, emptying it ("Hapus Semua") and filling it from a workbook
// ("Upload.."), each with its journal entry in the same transaction. One participant at a time is typed in, changed
// and deleted through a table cursor, whose writes the journal records through its hook.
class Participants {
public:
    Participants(db::Connection& connection, record::Journal& journal) : m_connection(connection), m_journal(journal) {}

    // What the table holds now, not what a cursor read earlier.
    std::int64_t count() const;

    // "Hapus Semua": every participant goes at once; the number that went.
    int clearAll();
    // Without a WHERE clause SQLite empties the table in one step instead of deleting row by row.
    static constexpr char kClearAll[] = "DELETE FROM tb_peserta";

    // "Upload..": the rows of the workbook at `path`, all or nothing (ParticipantUpload), with the journal's entry
    // naming the file by its SHA-256.
    ParticipantUpload::Result upload(const std::string& path, ParticipantUpload::Progress progress,
                                     ParticipantUpload::ConfirmListEnd confirmListEnd);

private:
    db::Connection& m_connection;
    record::Journal& m_journal;
};

} // namespace core
