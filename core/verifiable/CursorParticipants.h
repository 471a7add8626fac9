#pragma once

#include "core/verifiable/ParticipantList.h"
#include "platform/db/RowStore.h"

#include <vector>

namespace db {
class TableCursor;
}

namespace verifiable {

// The draw's participants, as its cursor's snapshot holds them, seen as a keyed draw sees a list: in ascending ID
// order, each by its ID and its draw number as the database writes it as text (NULL apart), the bytes the
// fingerprints take. Nothing is copied but the order; the cursor must stay open and unchanged meanwhile.
class CursorParticipants : public ParticipantList {
public:
    explicit CursorParticipants(const db::TableCursor& cursor);

    std::size_t size() const override { return m_order.size(); }
    // Throws platform::Error for an ID that is not a whole number.
    std::int64_t id(std::size_t rank) const override;
    std::optional<std::string> number(std::size_t rank) const override;

    // Throws platform::Error, in the operator's words, unless every ID is a whole number and no two are the same: a
    // keyed draw ranks the participants by ID.
    void checkIds() const;

private:
    const db::RowStore& m_store;
    std::vector<db::RowStore::Handle> m_order;
};

} // namespace verifiable
