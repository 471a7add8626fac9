#include "platform/sheets/RowStream.h"

#include "platform/sheets/CellFormatter.h"
#include "platform/sheets/WorkbookReader.h"

namespace sheets {

int RowStream::Batch::cellCount(std::size_t row) const {
    const std::size_t index = m_first + row;
    return static_cast<int>(m_rowEnds[index] - firstCell(index));
}

std::string_view RowStream::Batch::cell(std::size_t row, int column) const {
    const std::size_t index = m_first + row;
    const std::size_t first = firstCell(index);
    const std::size_t at = first + static_cast<std::size_t>(column - 1);
    if (column < 1 || at >= m_rowEnds[index]) return std::string_view("", 0);
    const std::size_t begin = at == 0 ? 0 : m_cellEnds[at - 1];
    return std::string_view(m_text).substr(begin, m_cellEnds[at] - begin);
}

int RowStream::Batch::uncalculatedColumn(std::size_t row) const {
    for (const auto& [index, column] : m_formulas)
        if (index == m_first + row) return column;
    return 0;
}

void RowStream::Batch::dropFront(std::size_t rows) {
    m_first += std::min(rows, size());
}

void RowStream::Batch::truncate(std::size_t rows) {
    if (rows < size()) m_rowEnds.resize(m_first + rows);
}

void RowStream::Batch::clear() {
    m_text.clear();
    m_cellEnds.clear();
    m_rowEnds.clear();
    m_formulas.clear();
    m_first = 0;
}

void RowStream::Batch::startRow() {
    m_rowEnds.push_back(static_cast<std::uint32_t>(m_cellEnds.size()));
}

void RowStream::Batch::endCell(bool uncalculated) {
    m_cellEnds.push_back(static_cast<std::uint32_t>(m_text.size()));
    ++m_rowEnds.back();
    if (uncalculated)
        m_formulas.emplace_back(m_rowEnds.size() - 1,
                                static_cast<int>(m_rowEnds.back() - firstCell(m_rowEnds.size() - 1)));
}

RowStream::RowStream(std::string path, const QLocale& locale, std::size_t batchRows) {
    WorkbookReader::checkIsFile(path);
    m_worker = std::thread(&RowStream::run, this, std::move(path), locale, batchRows == 0 ? 1 : batchRows);
}

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
    batch = Batch();
    m_changed.notify_all();
    return true;
}

void RowStream::run(std::string path, QLocale locale, std::size_t batchRows) {
    Batch batch;
    try {
        auto reader = WorkbookReader::open(path);
        const CellFormatter formatter(locale);
        std::vector<Cell> cells;
        while (!m_cancelled && reader->nextRow(cells)) {
            batch.startRow();
            for (const Cell& cell : cells) {
                formatter.append(batch.text(), cell);
                batch.endCell(cell.kind == Cell::Kind::Uncalculated);
            }
            // Offsets are 32 bits: a batch closes long before.
            if (batch.size() >= batchRows || batch.textBytes() >= kBatchBytes) {
                if (!push(batch)) break;
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

RowStream::Next RowStream::next(Batch& rows, std::chrono::milliseconds wait) {
    std::unique_lock lock(m_mutex);
    const auto ready = [this] { return !m_queue.empty() || m_finished || m_cancelled; };
    if (!m_changed.wait_for(lock, wait, ready)) return Next::NotYet;
    if (!m_queue.empty()) {
        rows = std::move(m_queue.front());
        m_queue.pop_front();
        m_changed.notify_all();
        return Next::Batch;
    }
    rows.clear();
    if (m_cancelled) return Next::End;
    if (m_error) std::rethrow_exception(m_error);
    return Next::End;
}

bool RowStream::next(Batch& rows) {
    for (;;) {
        const Next result = next(rows, std::chrono::hours(1));
        if (result != Next::NotYet) return result == Next::Batch;
    }
}

} // namespace sheets
