#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace verifiable {

// The sealed participants as a keyed draw sees them: in ascending ID order, each by its ID and its draw number
// (NULL when the table holds none). Ranks are 0-based positions in that order. Names and phones stay out: the keyed
// draw and the public list need neither.
class ParticipantList {
public:
    virtual ~ParticipantList() = default;
    virtual std::size_t size() const = 0;
    virtual std::int64_t id(std::size_t rank) const = 0;
    virtual std::optional<std::string> number(std::size_t rank) const = 0;
};

} // namespace verifiable
