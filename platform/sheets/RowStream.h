#pragma once

#include <QLocale>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace sheets {

// Reads a workbook on a worker thread while the consumer (the upload, on the UI thread) stores the rows. Rows arrive
// in batches through a bounded queue, already turned into the text the operator sees, so memory stays flat however
// long the list is. The worker's errors are rethrown to the consumer; destroying the stream stops the worker.
class RowStream {
public:
    using Row = std::vector<std::string>; // UTF-8 text of cells 1..n of one row (trailing empty cells may be missing)
    using Batch = std::vector<Row>;

    // Starts reading at once. A batch closes at batchRows rows or about kBatchBytes of text, whichever comes first.
    explicit RowStream(std::string path, const QLocale& locale = QLocale(), std::size_t batchRows = 1024);
    ~RowStream();
    RowStream(const RowStream&) = delete;
    RowStream& operator=(const RowStream&) = delete;

    // Column of the sheet's last used cell (see WorkbookReader::lastUsedColumn). Waits until the worker has opened
    // the workbook; rethrows its error (platform::Error) if it could not.
    int lastUsedColumn();
    // Replaces rows with the next batch, in sheet order from row 1 (rows the sheet skips are empty). Waits for it;
    // returns false after the last batch; rethrows the worker's error.
    bool next(Batch& rows);
    // Stops the worker early and waits for it; further calls to next() return false.
    void cancel();

    static constexpr std::size_t kBatchBytes = 1024 * 1024;
    static constexpr std::size_t kQueuedBatches = 4;

private:
    void run(std::string path, QLocale locale, std::size_t batchRows);
    bool push(Batch& batch);

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Batch> m_queue;
    std::exception_ptr m_error;
    int m_lastUsedColumn = -1;
    bool m_finished = false;
    std::atomic<bool> m_cancelled{false};
    std::thread m_worker;
};

} // namespace sheets
