#include "core/record/SealedList.h"

#include "core/record/Events.h"
#include "platform/Error.h"
#include "platform/db/Connection.h"
#include "platform/db/Statement.h"
#include "platform/db/TableCursor.h"

#include <QJsonObject>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace record {

// The fingerprint of a cursor's rows in the order it reads them, taken page by page while it reads.
class SealedList::EarlyFingerprint : public db::TableCursor::ReadWatcher {
public:
    explicit EarlyFingerprint(db::TableCursor& cursor)
        : m_cursor(cursor), m_result(m_promise.get_future().share()), m_thread([this] { run(); }) {
        m_cursor.watchNextRead(this);
    }
    ~EarlyFingerprint() override {
        release();
        stop();
    }
    EarlyFingerprint(const EarlyFingerprint&) = delete;
    EarlyFingerprint& operator=(const EarlyFingerprint&) = delete;

    void pageRead(std::string_view page, int fieldCount) override {
        const std::lock_guard lock(m_mutex);
        m_pages.push_back({page, fieldCount});
        m_wake.notify_one();
    }
    void readEnded(bool complete) override {
        if (!complete) {
            stop(); // the pages go once this returns
            return;
        }
        const std::lock_guard lock(m_mutex);
        m_ended = true;
        m_wake.notify_one();
    }
    // Whether every row the cursor read is in the fingerprint (once it is ready).
    bool readComplete() {
        const std::lock_guard lock(m_mutex);
        return m_ended && !m_stopped;
    }
    const std::shared_future<ListSeal>& result() const { return m_result; }
    // A read that never came does not tell this one. On the cursor's thread.
    void release() {
        if (m_released) return;
        m_cursor.watchNextRead(nullptr);
        m_released = true;
    }

private:
    struct Page {
        std::string_view bytes;
        int fieldCount;
    };

    void stop() {
        {
            const std::lock_guard lock(m_mutex);
            m_stopped = true;
            m_wake.notify_one();
        }
        if (m_thread.joinable()) m_thread.join();
    }

    void run() {
        try {
            Fingerprint fingerprint;
            std::vector<db::RowStore::Field> stored;
            for (;;) {
                Page page;
                {
                    std::unique_lock lock(m_mutex);
                    m_wake.wait(lock, [&] { return m_stopped || m_ended || !m_pages.empty(); });
                    if (m_stopped) throw platform::Error("The participants were not read");
                    if (m_pages.empty()) break; // the read ended and every page is in
                    page = m_pages.front();
                    m_pages.pop_front();
                }
                stored.resize(static_cast<std::size_t>(page.fieldCount));
                for (db::RowStore::PageReader rows(page.bytes, page.fieldCount); rows.next(stored);)
                    fingerprint.addStoredRow(stored);
            }
            m_promise.set_value(fingerprint.result());
        } catch (...) {
            m_promise.set_exception(std::current_exception());
        }
    }

    db::TableCursor& m_cursor;
    bool m_released = false;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Page> m_pages;
    bool m_ended = false;
    bool m_stopped = false;
    std::promise<ListSeal> m_promise;
    std::shared_future<ListSeal> m_result;
    std::thread m_thread; // last: it starts once everything it uses is there
};

SealedList::SealedList() = default;

SealedList::~SealedList() {
    join();
}

void SealedList::join() {
    if (m_thread.joinable()) m_thread.join();
    m_early.reset();
}

void SealedList::followRead(db::TableCursor& cursor) {
    join();
    m_early = std::make_unique<EarlyFingerprint>(cursor);
}

void SealedList::markBeforeRead(db::Connection& connection) {
    m_dataVersion = Journal::dataVersion(connection);
    m_journalAtRead = Journal::lastEntry(connection);
}

void SealedList::seal(const db::TableCursor& cursor, std::function<void()> ready) {
    if (m_thread.joinable()) m_thread.join();
    m_count = cursor.recordCount();
    // The order is taken here, on the cursor's own thread: the fingerprint's thread reads only the rows. A list
    // read in ascending ID (the usual one) is read straight through the store, without a list of its rows.
    const bool inStoreOrder = cursor.storeIsInOrderOf(0);
    std::unique_ptr<EarlyFingerprint> early = std::move(m_early);
    if (inStoreOrder && early && early->readComplete()) {
        // Taken while the cursor read them: only its last pages may still be on their way.
        early->release();
        m_result = early->result();
        m_thread = std::thread([early = std::move(early), ready = std::move(ready)]() mutable {
            early->result().wait();
            early.reset();
            if (ready) ready();
        });
        return;
    }
    early.reset();
    std::vector<db::RowStore::Handle> order;
    if (!inStoreOrder) order = cursor.rowsInOrderOf(0);
    std::promise<ListSeal> promise;
    m_result = promise.get_future().share();
    m_thread = std::thread([promise = std::move(promise), order = std::move(order), inStoreOrder,
                            store = &cursor.store(), fields = cursor.fieldCount(), ready = std::move(ready)]() mutable {
        try {
            promise.set_value(inStoreOrder ? Fingerprint::ofStore(*store, fields)
                                           : Fingerprint::ofSnapshot(*store, order, fields));
        } catch (...) {
            promise.set_exception(std::current_exception());
        }
        if (ready) ready();
    });
}

ListSeal SealedList::fingerprint() const {
    if (!m_result.valid()) throw platform::Error("The participants were not read");
    return m_result.get();
}

Journal::RunStart SealedList::runStart() const {
    Journal::RunStart start;
    start.details[QStringLiteral("list_read_after")] = static_cast<double>(m_journalAtRead);
    if (!m_result.valid()) {
        start.details[QStringLiteral("participants")] = QJsonValue(); // the list could not be read
        return start;
    }
    ListSeal list;
    try {
        list = fingerprint();
    } catch (const std::exception& error) {
        // The run is still recorded, saying why its list has no fingerprint.
        start.details[QStringLiteral("participants")] = static_cast<double>(m_count);
        start.details[QStringLiteral("fingerprint_error")] = QString::fromUtf8(error.what());
        return start;
    }
    start.details[QStringLiteral("participants")] = static_cast<double>(list.count);
    start.details[QStringLiteral("fingerprint")] = QString::fromStdString(list.sha256);
    start.participants = list;
    start.dataVersion = m_dataVersion;
    return start;
}

SealedList::Change SealedList::changeSince(db::Connection& connection) const {
    // Only a line of information: while another program holds the database, it fails at once rather than keep the
    // screen waiting for the lock.
    const db::NoWaitForLocks noWait(connection);
    Change change;
    change.inDraw = m_count;
    db::Statement count(connection, "SELECT count(*) FROM tb_peserta");
    change.inTable = count.step() ? static_cast<std::uint64_t>(count.columnInt(0)) : 0;
    change.changed = change.inTable != change.inDraw || participantsJournaledSince(connection);
    return change;
}

bool SealedList::participantsJournaledSince(db::Connection& connection) const {
    if (Journal::lastEntry(connection) <= m_journalAtRead) return false;
    std::string sql = "SELECT EXISTS(SELECT 1 FROM tb_jurnal WHERE urut > ? AND jenis IN (";
    for (std::size_t i = 0; i < std::size(event::kParticipantChanges); ++i)
        sql += i ? ",?" : "?";
    db::Statement entries(connection, sql + "))");
    entries.bindInt(1, m_journalAtRead);
    int index = 2;
    for (const char* kind : event::kParticipantChanges)
        entries.bindText(index++, kind);
    return entries.step() && entries.columnInt(0) != 0;
}

bool SealedList::tableUnchanged(db::Connection& connection) const {
    return m_result.valid() && m_dataVersion && *m_dataVersion == Journal::dataVersion(connection) &&
           !participantsJournaledSince(connection);
}

} // namespace record
