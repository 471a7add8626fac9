#include "core/verifiable/CursorParticipants.h"

#include "platform/Error.h"
#include "platform/db/TableCursor.h"
#include "platform/text/Integer.h"

namespace verifiable {

CursorParticipants::CursorParticipants(const db::TableCursor& cursor)
    : m_store(cursor.store()), m_order(cursor.rowsInOrderOf(0)) {}

std::int64_t CursorParticipants::id(std::size_t rank) const {
    const db::RowStore::Field field = m_store.field(m_order[rank], 0);
    if (field.kind == db::RowStore::Kind::Integer) return field.integer;
    std::string room;
    const std::optional<std::string_view> text = db::RowStore::storedText(field, room);
    if (text)
        if (const std::optional<std::int64_t> value = text::parseInteger(*text)) return *value;
    throw platform::Error("ID peserta '" + std::string(text.value_or("NULL")) +
                          "' bukan bilangan bulat: undian terverifikasi mengurutkan peserta menurut ID");
}

std::optional<std::string> CursorParticipants::number(std::size_t rank) const {
    std::string room;
    const std::optional<std::string_view> text = db::RowStore::storedText(m_store.field(m_order[rank], 1), room);
    if (!text) return std::nullopt;
    return std::string(*text);
}

void CursorParticipants::checkIds() const {
    for (std::size_t rank = 0; rank < size(); ++rank) {
        const std::int64_t current = id(rank);
        if (rank > 0 && id(rank - 1) == current)
            throw platform::Error("ID peserta " + std::to_string(current) +
                                  " ada dua kali: undian terverifikasi mengurutkan peserta menurut ID, yang harus "
                                  "berbeda-beda");
    }
}

} // namespace verifiable
