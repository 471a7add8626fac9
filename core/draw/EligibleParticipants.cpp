#include "core/draw/EligibleParticipants.h"

#include "platform/Error.h"
#include "platform/db/Connection.h"
#include "platform/db/Statement.h"
#include "platform/db/TableCursor.h"

void EligibleParticipants::setParticipants(const db::TableCursor* participants) {
    m_participants = participants;
    m_built = false;
}

void EligibleParticipants::readWinners(db::Connection& connection) {
    m_won.clear();
    m_unreadable.reset();
    m_built = false;
    ++m_changes;
    try {
        // By position: the winners table's column names are the database's business.
        db::Statement winners(connection, "SELECT * FROM tb_pemenang");
        while (winners.step())
            m_won.emplace(winners.columnText(0));
    } catch (const platform::Error& error) {
        m_won.clear();
        m_unreadable = error.what();
    }
}

void EligibleParticipants::checkKnown() const {
    if (m_unreadable)
        throw platform::Error("The winners could not be read at start-up, so it is not known who has won already (" +
                              *m_unreadable + "). Start the program again once the winners table can be read");
}

void EligibleParticipants::winnerSaved(const std::string& number) {
    if (!m_won.insert(number).second) return;
    ++m_changes;
    if (m_built) leaveOut(number);
}

std::size_t EligibleParticipants::participants() const {
    return m_participants && m_participants->active() ? m_participants->recordCount() : 0;
}

std::size_t EligibleParticipants::eligible() {
    build();
    return m_ranks.count();
}

std::size_t EligibleParticipants::rankAt(std::size_t i) {
    build();
    return m_ranks.at(i);
}

void EligibleParticipants::build() {
    if (m_built) return;
    m_ranks.reset(participants());
    m_built = true;
    if (m_won.empty()) return; // nobody to leave out: no pass over the participants
    std::vector<std::uint32_t> out;
    std::string number;
    m_participants->forEachTextInOrderOf(0, 1, [&](std::size_t rank, std::string_view text) {
        number.assign(text);
        if (m_won.count(number)) out.push_back(static_cast<std::uint32_t>(rank));
    });
    m_ranks.remove(std::move(out));
}

void EligibleParticipants::leaveOut(const std::string& number) {
    // One pass over the participants: a draw number may belong to more than one.
    std::vector<std::uint32_t> out;
    m_participants->forEachTextInOrderOf(0, 1, [&](std::size_t rank, std::string_view text) {
        if (text == number) out.push_back(static_cast<std::uint32_t>(rank));
    });
    m_ranks.remove(std::move(out));
}
