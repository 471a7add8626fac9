#pragma once

#include "core/verifiable/ParticipantList.h"

#include <string_view>
#include <vector>

namespace verifiable {

// Participants held in memory, compactly: the draw numbers in one buffer, so ten million of them cost about
// 25 bytes each beside their text rather than a string object apiece.
class ParticipantArray : public ParticipantList {
public:
    // Appends a participant; IDs must come in strictly ascending order (throws platform::Error otherwise), since the
    // ranks of a keyed draw are positions in that order.
    void add(std::int64_t id, std::optional<std::string_view> number);
    void reserve(std::size_t count, std::size_t textBytes);

    std::size_t size() const override { return m_ids.size(); }
    std::int64_t id(std::size_t rank) const override { return m_ids[rank]; }
    std::optional<std::string> number(std::size_t rank) const override;

private:
    std::vector<std::int64_t> m_ids;
    std::vector<std::uint64_t> m_ends; // where each draw number ends in m_text; the top bit marks a NULL
    std::string m_text;
};

} // namespace verifiable
