#pragma once

#include "core/participants/ParticipantRows.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace db {
class Connection;
} // namespace db

// Stores the participant rows of a workbook (see ParticipantRows) in tb_peserta, all or nothing: the rows go in one
// transaction that a refused row rolls back whole, so the operator can mend the file and upload it again.
class ParticipantUpload {
public:
    // Declined: the list ends before values of the sheet and the operator chose not to store it.
    enum class Outcome { Stored, Refused, Declined };
    // Why the file was refused, for the operator's message.
    enum class Refusal {
        None,
        EmptyId,          // the row's ID is empty or blank
        IdNotWholeNumber, // the row's ID is text, a fraction, ...
        IdTooLarge,       // digits beyond 64 bits
        IdRepeatedInFile, // an earlier row of the file has the same ID
        IdAlreadyStored,  // the table held the ID before the upload
        TooManyColumns,   // the sheet has more columns than the table has fields
        Other,            // another refusal of the table's: only `reason` says what
    };
    struct Result {
        Outcome outcome = Outcome::Stored;
        std::size_t rows = 0; // rows stored; when refused, the rows read before the refused one
        std::string reason;   // why a row was refused, naming its sheet row
        Refusal refusal = Refusal::None;
        std::size_t sheetRow = 0;   // the refused row
        std::string id;             // its ID: the cell's text, or the number when it clashes
        std::size_t earlierRow = 0; // IdRepeatedInFile: the row that holds the ID first
        int columns = 0;            // TooManyColumns: the sheet's column count
    };
    // Told the number of rows read so far: after each batch, and every few tens of milliseconds while the reader
    // has nothing ready, so the screen can show how far the upload has got and stay painted.
    using Progress = std::function<void(std::size_t rows)>;

    // Runs inside the upload's transaction once every row is stored, before it commits, told the rows stored: what
    // it writes (the journal's entry) goes in with the rows or not at all, and its failure stores nothing.
    using BeforeCommit = std::function<void(std::size_t rows)>;

    // Asked, once every row is stored and before anything else is written, whether to store a list that a row with
    // an empty first cell ended before values of the sheet (ParticipantRows::ListEnd): false stores nothing.
    using ConfirmListEnd = std::function<bool(const ParticipantRows::ListEnd& end, std::size_t rows)>;

    explicit ParticipantUpload(db::Connection& connection) : m_connection(connection) {}
    void setProgress(Progress progress) { m_progress = std::move(progress); }
    void setBeforeCommit(BeforeCommit step) { m_beforeCommit = std::move(step); }
    void setConfirmListEnd(ConfirmListEnd ask) { m_confirmListEnd = std::move(ask); }

    // Reads the file anew and stores its rows: column 1 to ID, 2 to no_undian, 3 to nama, 4 to hp; fields beyond
    // the sheet's column count C stay NULL. A row is refused when its ID is empty, not a whole number, already
    // stored or repeated in the file, and the file when C is more than the table's four fields (which any row of
    // the sheet may show, even after the last participant): the result is then Refused and nothing is stored. A
    // list that leaves values of the sheet out is stored only when ConfirmListEnd agrees (else Declined). A file
    // that cannot be read and a failure of the database throw platform::Error, and nothing is stored either.
    Result run(const std::string& path);

private:
    class Inserts;

    // Every row in one stream (db::BulkLoad), where the database takes one. False when a row needs the statements
    // below to be named: an ID that is not a whole number, more columns than fields, a row the table refused; the
    // caller then undoes the load and starts again on that path.
    bool loadInBulk(ParticipantRows& rows, int& storedWith);
    // Up to 64 rows in one statement, the usual path. False when a row could not go in that way (an ID that is not
    // a whole number, a refused row, a short last group): that group then goes row by row.
    bool storeGroup(Inserts& inserts, const ParticipantRows::Batch& batch, std::size_t first, std::size_t count,
                    int columns);
    // One row per statement, which names the first refused row exactly.
    Result storeRowByRow(Inserts& inserts, const ParticipantRows::Batch& batch, std::size_t first, std::size_t count,
                         int columns);
    // Fields that a later row brought into the sheet's columns are empty texts, not NULL, in the rows stored
    // before it.
    void fillNewColumns(std::int64_t lastRowidBefore, int storedWith, int columns);
    void tellProgress(std::size_t rows) const;
    // The next batch of the walk, telling the progress while waiting for it.
    bool nextBatch(ParticipantRows& rows, ParticipantRows::Batch& batch) const;
    // The refusal of a row whose ID the table refused: already stored before the upload, or earlier in the file.
    Result clash(std::int64_t id, const std::string& refusal) const;

    db::Connection& m_connection;
    Progress m_progress;
    BeforeCommit m_beforeCommit;
    ConfirmListEnd m_confirmListEnd;
    std::size_t m_stored = 0;
    std::int64_t m_lastRowidBefore = 0; // the table's last rowid before the upload
    // After a bulk attempt the statements name a repeated ID by the sheet rows stored, not by rowids.
    bool m_trackIds = false;
    mutable std::size_t m_reported = 0;                            // the most rows told to the progress
    std::vector<std::pair<std::int64_t, std::size_t>> m_storedIds; // ID, index of its row
};
