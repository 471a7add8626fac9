#include "core/record/SealedList.h"

#include "core/record/Events.h"
#include "platform/Error.h"
#include "platform/db/Connection.h"
#include "platform/db/Statement.h"
#include "platform/db/TableCursor.h"

#include <QJsonObject>

namespace record {

SealedList::~SealedList() {
    join();
}

void SealedList::join() {
    if (m_thread.joinable()) m_thread.join();
}

void SealedList::markBeforeRead(db::Connection& connection) {
    m_dataVersion = Journal::dataVersion(connection);
    m_journalAtRead = Journal::lastEntry(connection);
}

void SealedList::seal(const db::TableCursor& cursor, std::function<void()> ready) {
    join();
    m_count = cursor.recordCount();
    // The order is taken here, on the cursor's own thread: the fingerprint's thread reads only the rows. A list
    // read in ascending ID (the usual one) is read straight through the store, without a list of its rows.
    const bool inStoreOrder = cursor.storeIsInOrderOf(0);
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
