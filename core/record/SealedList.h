#pragma once

#include "core/record/Fingerprint.h"
#include "core/record/Journal.h"

#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <thread>

namespace db {
class Connection;
class TableCursor;
} // namespace db

namespace record {

// The participants the draw works on, as its cursor read them at start-up, sealed by their fingerprint. The
// fingerprint is taken on a thread of its own, so start-up does not wait for it; whoever needs it waits at most
// until it is done. The cursor must not change while the thread reads it (the draw only positions it), and must
// outlive this object, whose destruction joins the thread.
class SealedList {
public:
    SealedList();
    // Waits for the fingerprint's thread.
    ~SealedList();
    SealedList(const SealedList&) = delete;
    SealedList& operator=(const SealedList&) = delete;

    // Marks the database's state; called right before the cursor reads the table.
    void markBeforeRead(db::Connection& connection);
    // Starts the fingerprint while the cursor reads the table, a page of rows at a time, on a thread of its own;
    // called right before the cursor reads it. When the rows come in the draw's order (a file gives them so),
    // seal() takes this fingerprint, which is then ready about when the read is, rather than reading the rows again.
    void followRead(db::TableCursor& cursor);
    // Starts the fingerprint of the cursor's rows in ascending order of its first field (the draw's order). `ready`
    // runs on the fingerprint's thread once it is done.
    void seal(const db::TableCursor& cursor, std::function<void()> ready = {});
    // Waits until the fingerprint's thread is done with the cursor's rows, so that the cursor may read the table
    // again (and then be sealed anew).
    void join();

    bool sealed() const { return m_result.valid(); }
    // The count and the fingerprint; waits for the thread. Throws when the list was never read.
    ListSeal fingerprint() const;
    std::uint64_t count() const { return m_count; }

    // What the run's first journal entry, or a "list_reloaded" entry, says of the list.
    Journal::RunStart runStart() const;

    // Whether the participants table has changed since the list was read: another program's (or another copy's)
    // journal entries that change it, or a different row count. Cheap: the journal's entries since the read and one
    // count, no reading of the rows. Throws at once, without waiting, while another program locks the database.
    struct Change {
        bool changed = false;
        std::uint64_t inDraw = 0;
        std::uint64_t inTable = 0;
    };
    Change changeSince(db::Connection& connection) const;
    // Whether the participants table holds exactly the rows the cursor read: no other connection has committed
    // anything to the database since, and no change of this one's to the participants is journaled (each is).
    // Exact, and as cheap as changeSince(): another view of the table can take the list's rows instead of reading
    // them again.
    bool tableUnchanged(db::Connection& connection) const;

private:
    class EarlyFingerprint;

    // An entry since the list was read records a change of the participants.
    bool participantsJournaledSince(db::Connection& connection) const;

    std::optional<std::int64_t> m_dataVersion;
    std::int64_t m_journalAtRead = 0;
    std::uint64_t m_count = 0;
    std::shared_future<ListSeal> m_result;
    std::thread m_thread;
    std::unique_ptr<EarlyFingerprint> m_early; // from followRead() until seal()
};

} // namespace record
