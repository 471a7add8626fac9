#pragma once

#include "platform/sheets/RowStream.h"

#include <chrono>
#include <cstddef>
#include <string>

// The participant rows of a workbook's first worksheet, as both the preview and the upload walk them: row 1 is a
// heading; every row from row 2 on is one participant, up to the first row after row 2 whose first cell is empty (row
// 2 itself is always read, even when empty). A number, date or truth value in the first cell counts as not empty.
// The sheet's column count C is the last column that holds a value in any of its rows, row 1 included; it is
// learnt as the rows come, so nothing is read twice. The file is parsed on a reader thread; the rows arrive in
// batches on the caller's thread, so memory stays flat however long the sheet is.
class ParticipantRows {
public:
    using Batch = sheets::RowStream::Batch;
    using Next = sheets::RowStream::Next;

    // Refuses at once a path that is not a regular file (platform::Error naming it).
    explicit ParticipantRows(const std::string& path, std::size_t batchRows = 1024);

    // Replaces rows with the next participant rows (each up to its own last used column): Batch, or End once the
    // walk has ended; waits at most `wait` (NotYet). Throws the reader's platform::Error (naming the file) when the
    // workbook cannot be read, and when a participant's row holds a formula without a stored result; the rows
    // before such a row are delivered first.
    Next next(Batch& rows, std::chrono::milliseconds wait);
    bool next(Batch& rows);
    // After the walk: reads the rest of the sheet only to learn C. NotYet while it has not got there.
    Next finish(std::chrono::milliseconds wait);

    // C as far as the rows read so far show it (at least 1): the rows delivered, the heading, and after finish()
    // every row of the sheet.
    int columnCount() const { return m_columns; }
    // Participant rows delivered so far.
    std::size_t delivered() const { return m_delivered; }

    // Where a row with an empty first cell ended the list before the sheet did, and what that leaves out: the row's
    // own values in its other cells, and the rows after it that hold any value (blank rows are not counted).
    struct ListEnd {
        std::size_t row = 0;            // the sheet row that ended the list; 0 when the sheet itself ended it
        bool rowHoldsValues = false;    // that row has values beyond its empty first cell
        std::size_t rowsWithValues = 0; // rows after it that hold a value
        // Values of the sheet that the list leaves out.
        bool leavesOut() const { return rowHoldsValues || rowsWithValues > 0; }
    };
    // As far as the sheet has been read: complete once finish() has ended.
    const ListEnd& listEnd() const { return m_listEnd; }

private:
    void learnColumns(const Batch& rows, std::size_t from);
    // Counts the rows from `from` on that hold a value.
    void countRowsLeftOut(const Batch& rows, std::size_t from);

    std::string m_path;
    sheets::RowStream m_stream;
    Batch m_incoming;
    int m_columns = 1;
    bool m_headingSkipped = false;
    bool m_ended = false;
    bool m_sheetRead = false;
    std::size_t m_delivered = 0;
    ListEnd m_listEnd;
    std::string m_pendingError; // a formula without a result, raised once the rows before it are delivered
};
