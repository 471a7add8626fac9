#pragma once

#include <QLocale>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace sheets {

// Reads a workbook on a worker thread while the consumer (the preview or the upload, on the UI thread) takes the
// rows. Rows arrive in batches through a bounded queue, already turned into the text the operator sees, so memory
// stays flat however long the list is. The worker's errors are rethrown to the consumer; destroying the stream stops
// the worker.
class RowStream {
public:
    // Rows in sheet order, their cells' UTF-8 texts packed back to back: a batch costs a few allocations, not one
    // per cell. Each row has its cells up to its last used one (an empty row has none).
    class Batch {
    public:
        std::size_t size() const { return m_rowEnds.size() - m_first; }
        bool empty() const { return size() == 0; }
        // Cells of the row at index (its last used column).
        int cellCount(std::size_t row) const;
        // The text of a cell, 1-based column; empty beyond the row's cells (never a null pointer, so it can be bound
        // as an empty text).
        std::string_view cell(std::size_t row, int column) const;
        // The first column (1-based) of the row whose formula has no stored result; 0 when there is none.
        int uncalculatedColumn(std::size_t row) const;
        std::size_t textBytes() const { return m_text.size(); }

        // Drops the first rows / keeps only the first rows, without moving any text.
        void dropFront(std::size_t rows);
        void truncate(std::size_t rows);
        void clear();

        // Filling, as the reader does: a row, then its cells in order.
        void startRow();
        std::string& text() { return m_text; } // append the next cell's text here, then endCell()
        void endCell(bool uncalculated = false);

    private:
        std::size_t firstCell(std::size_t index) const { return index == 0 ? 0 : m_rowEnds[index - 1]; }

        std::string m_text;
        std::vector<std::uint32_t> m_cellEnds;               // end of each cell's text in m_text
        std::vector<std::uint32_t> m_rowEnds;                // end of each row's cells in m_cellEnds
        std::vector<std::pair<std::size_t, int>> m_formulas; // (row index, column) of formulas without a result
        std::size_t m_first = 0;                             // rows dropped from the front
    };

    enum class Next { Batch, End, NotYet };

    // Refuses at once (platform::Error) a path that is not a regular file, then starts reading on the worker. A
    // batch closes at batchRows rows or about kBatchBytes of text, whichever comes first.
    explicit RowStream(std::string path, const QLocale& locale = QLocale(), std::size_t batchRows = 1024);
    ~RowStream();
    RowStream(const RowStream&) = delete;
    RowStream& operator=(const RowStream&) = delete;

    // Replaces rows with the next batch, in sheet order from row 1 (rows the sheet skips are empty): Batch, or End
    // after the last one; the worker's error is rethrown. Waits at most `wait` for it (NotYet when it is not there
    // yet), so a caller on the user-interface thread can keep the screen alive meanwhile.
    Next next(Batch& rows, std::chrono::milliseconds wait);
    // The same, waiting as long as it takes; false after the last batch.
    bool next(Batch& rows);
    // Stops the worker early and waits for it; further calls to next() give End.
    void cancel();

    static constexpr std::size_t kBatchBytes = 64 * 1024;
    static constexpr std::size_t kQueuedBatches = 4;

private:
    void run(std::string path, QLocale locale, std::size_t batchRows);
    bool push(Batch& batch);

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Batch> m_queue;
    std::exception_ptr m_error;
    bool m_finished = false;
    std::atomic<bool> m_cancelled{false};
    std::thread m_worker;
};

} // namespace sheets
