#pragma once

#include "platform/sheets/RowStream.h"

#include <cstddef>
#include <string>
#include <string_view>

// The participant rows of a workbook's first worksheet, as both the preview and the upload walk them: row 1 is a
// heading; every row from row 2 on is one participant, up to the first row after row 2 whose first cell is empty (row
// 2 itself is always read, even when empty); each row has the columns 1 to C, C being the column of the sheet's last
// used cell. A number, date or truth value in the first cell counts as not empty. The file is parsed on a reader
// thread; the rows arrive in batches on the caller's thread, so memory stays flat however long the sheet is.
class ParticipantRows {
public:
    using Row = sheets::RowStream::Row;
    using Batch = sheets::RowStream::Batch;

    explicit ParticipantRows(const std::string& path, std::size_t batchRows = 4096);

    // C, at least 1. Throws the reader's platform::Error (naming the file) when the workbook cannot be opened.
    int columnCount();
    // Replaces rows with the next participant rows, each with at most columnCount() cells (missing cells are empty).
    // False once the walk has ended. A file damaged further on throws platform::Error.
    bool next(Batch& rows);
    // Participant rows delivered so far.
    std::size_t delivered() const { return m_delivered; }

    // The text of a row's column (1-based); empty for a cell the row leaves out (never a null pointer, so it can
    // be bound as an empty text).
    static std::string_view cell(const Row& row, int column) {
        const auto index = static_cast<std::size_t>(column - 1);
        return index < row.size() ? std::string_view(row[index]) : std::string_view("", 0);
    }

private:
    sheets::RowStream m_stream;
    int m_columns = 0;
    bool m_headingSkipped = false;
    bool m_ended = false;
    std::size_t m_delivered = 0;
};
