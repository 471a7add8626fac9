#include "platform/sheets/RowStream.h"

#include "platform/sheets/CellFormatter.h"
#include "platform/sheets/WorkbookReader.h"

namespace sheets {

RowStream::RowStream(std::string path, const QLocale& locale, std::size_t batchRows)
    : m_worker(&RowStream::run, this, std::move(path), locale, batchRows == 0 ? 1 : batchRows) {}

RowStream::~RowStream() {
    cancel();
}

void RowStream::cancel() {
    m_cancelled = true;
    m_changed.notify_all();
    if (m_worker.joinable()) m_worker.join();
}

bool RowStream::push(Batch& batch) {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_queue.size() < kQueuedBatches || m_cancelled; });
    if (m_cancelled) return false;
    m_queue.push_back(std::move(batch));
    batch.clear();
    m_changed.notify_all();
    return true;
}

void RowStream::run(std::string path, QLocale locale, std::size_t batchRows) {
    Batch batch;
    try {
        auto reader = WorkbookReader::open(path);
        const int lastColumn = reader->lastUsedColumn();
        {
            std::lock_guard lock(m_mutex);
            m_lastUsedColumn = lastColumn;
        }
        m_changed.notify_all();
        const CellFormatter formatter(locale);
        std::vector<Cell> cells;
        std::size_t bytes = 0;
        while (!m_cancelled && reader->nextRow(cells)) {
            Row& row = batch.emplace_back(cells.size());
            for (std::size_t i = 0; i < cells.size(); ++i) {
                formatter.append(row[i], cells[i]);
                bytes += row[i].size();
            }
            if (batch.size() >= batchRows || bytes >= kBatchBytes) {
                if (!push(batch)) break;
                bytes = 0;
            }
        }
        if (!batch.empty() && !m_cancelled) push(batch);
    } catch (...) {
        // The rows read before the damage still reach the consumer, then the error.
        const std::exception_ptr error = std::current_exception();
        if (!batch.empty() && !m_cancelled) push(batch);
        std::lock_guard lock(m_mutex);
        m_error = error;
    }
    {
        std::lock_guard lock(m_mutex);
        m_finished = true;
    }
    m_changed.notify_all();
}

int RowStream::lastUsedColumn() {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_lastUsedColumn >= 0 || m_finished; });
    if (m_lastUsedColumn < 0 && m_error) std::rethrow_exception(m_error);
    return m_lastUsedColumn < 0 ? 0 : m_lastUsedColumn;
}

bool RowStream::next(Batch& rows) {
    rows.clear();
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_queue.empty() || m_finished || m_cancelled; });
    if (!m_queue.empty()) {
        rows = std::move(m_queue.front());
        m_queue.pop_front();
        m_changed.notify_all();
        return true;
    }
    if (m_cancelled) return false;
    if (m_error) std::rethrow_exception(m_error);
    return false;
}

} // namespace sheets
