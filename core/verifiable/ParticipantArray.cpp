#include "core/verifiable/ParticipantArray.h"

#include "platform/Error.h"

namespace verifiable {

namespace {
constexpr std::uint64_t kNullMark = std::uint64_t{1} << 63;
} // namespace

void ParticipantArray::add(std::int64_t id, std::optional<std::string_view> number) {
    if (!m_ids.empty() && id <= m_ids.back())
        throw platform::Error("Participant ID " + std::to_string(id) + " follows ID " + std::to_string(m_ids.back()) +
                              ": the list must be in ascending ID order");
    m_ids.push_back(id);
    if (number) m_text.append(*number);
    m_ends.push_back(m_text.size() | (number ? 0 : kNullMark));
}

void ParticipantArray::reserve(std::size_t count, std::size_t textBytes) {
    m_ids.reserve(count);
    m_ends.reserve(count);
    m_text.reserve(textBytes);
}

std::optional<std::string> ParticipantArray::number(std::size_t rank) const {
    if (m_ends[rank] & kNullMark) return std::nullopt;
    const std::uint64_t begin = rank == 0 ? 0 : m_ends[rank - 1] & ~kNullMark;
    return m_text.substr(begin, m_ends[rank] - begin);
}

} // namespace verifiable
