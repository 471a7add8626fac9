#pragma once

#include "core/draw/DrawObserver.h"
#include "core/draw/DrawRound.h"
#include "core/draw/EligibleParticipants.h"
#include "core/record/Journal.h"
#include "core/record/SealedList.h"
#include "platform/chance/TickRandom.h"
#include "platform/db/SqlCommand.h"
#include "platform/db/TableCursor.h"

#include <QObject>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace db {
class Connection;
}

namespace core {

class Settings;

// The draw: the participants as they were read (a snapshot, sealed by its fingerprint), the shuffle that flashes
// their draw numbers, the pick at every tick, and the round from "Stop" or "Tampilkan" to its save or "&Batal", with
// the winner's details until they are saved. It knows no widget: the draw screen shows its state and hands it the
// operator's actions (typing into a detail field included: the save takes the details as they stand); whoever
// else follows the draw (the audience screen) is told through DrawObserver.
//
// Every participant has the same chance: a tick picks the r-th participant in ascending order of ID, whatever the
// numbering; with "Pemenang tidak diundi lagi" on, the r-th of those whose draw number has not won.
class Draw : public QObject {
    Q_OBJECT
public:
    Draw(db::Connection& connection, record::Journal& journal, Settings& settings);
    ~Draw() override;

    // The participants drawn from, named as the draw screen knows the cursor, and their seal.
    db::TableCursor& participants() { return m_participants; }
    const record::SealedList& sealedList() const { return m_sealed; }
    // The random source; tests put in one with a pinned clock and entropy.
    void setRandom(chance::TickRandom random) { m_random = std::move(random); }
    void addObserver(DrawObserver* observer) { m_observers.push_back(observer); }
    void removeObserver(DrawObserver* observer) { std::erase(m_observers, observer); }

    // Reads the participants as the table holds them now and seals them; the fingerprint is taken on a thread of its
    // own, and the run's first journal entry follows as soon as it is done.
    void readList();
    // "Muat Ulang Daftar": the table as it is now becomes the list drawn from, sealed and recorded as a start
    // would. Not while a shuffle runs or a round is not saved: that round belongs to the list it was drawn from.
    enum class Reload { Done, Shuffling, Unsaved };
    Reload reloadList();

    // "Acak": the shuffle starts, and the drawn number and name are cleared. Throws when there is no list, or when
    // winners are not drawn again and who has won is unknown.
    enum class Start { Started, NoParticipants, EveryoneHasWon };
    Start start();
    // A shuffle tick: the cursor stands on the participant picked, whose draw number shownNumber() gives. Ended
    // when the last participant still in has won meanwhile; NoList when the list could not be read.
    enum class Tick { Shown, EveryoneHasWon, NoList };
    Tick tick();
    // After a tick without a list: says why, once.
    void reportNoList();
    // "Stop": the participant of the last tick is drawn.
    void stop();
    // "Tampilkan": the drawn participant's number, name and phone become the details; they can be saved.
    void show();
    // "&Simpan": one winner row from the details (draw number, name, prize), with its journal entry: both or
    // neither. Saving is no longer possible from the first step, also when it fails.
    void save();
    // "&Batal": the details and the prize are cleared.
    void cancel();

    // The operator typed into a detail field.
    void setNumber(const QString& number);
    void setName(const QString& name);
    void setPhone(const QString& phone);
    void setPrize(const QString& prize);

    const DrawDetails& details() const { return m_details; }
    bool canSave() const { return m_canSave; }
    bool shuffling() const { return m_round.shuffling(); }
    // A participant drawn or shown and not yet saved or cleared.
    bool roundUnsaved() const { return m_round.unsaved(); }
    // The draw number of the participant the cursor stands on; empty without participants.
    QString shownNumber() const;

    // The shuffle interval applied, in milliseconds: the run's first journal entry names it.
    void setSpeed(int milliseconds) { m_speed = milliseconds; }

    // "Pemenang tidak diundi lagi", stored at once. Switching it on throws when who has won is unknown.
    bool winnersOnce() const;
    void setWinnersOnce(bool on);
    // Tells the followers how many are in the draw (and, with winners not drawn again, how many have won).
    void countParticipants();
    // Participants in the list, those who may still be drawn, and whether who has won is known.
    std::size_t participantCount() const { return m_eligible.participants(); }
    std::size_t eligibleCount() { return m_eligible.eligible(); }
    bool winnersKnown() const { return m_eligible.known(); }

    // The list's seal as the operator and the hall read it: the first 16 hex digits in groups of four; empty while
    // it is not taken, or when it could not be.
    QString shortFingerprint() const;
    // Whether the participants table has changed since the list was read; nothing while the list is not sealed or
    // the database cannot answer now.
    std::optional<record::SealedList::Change> listChange();

    // What the run's first journal entry says: the list, the program and the speed.
    record::Journal::RunStart runStart() const;

private:
    QJsonObject selectedParticipant() const;
    template <typename Call> void tell(Call call) {
        for (DrawObserver* observer : m_observers)
            call(*observer);
    }

    db::Connection& m_connection;
    record::Journal& m_journal;
    Settings& m_settings;
    db::TableCursor m_participants{"ADOTable1"};
    db::SqlCommand m_insert; // the winner's row
    // Declared after the cursor, so it is gone (its thread joined) before the rows it reads.
    record::SealedList m_sealed;
    EligibleParticipants m_eligible;
    chance::TickRandom m_random;
    std::vector<DrawObserver*> m_observers;

    DrawRound m_round;
    DrawDetails m_details;
    bool m_canSave = false;
    std::optional<std::uint64_t> m_lastRank; // the rank the last tick drew, 1 to n, in ascending ID order
    bool m_noListReported = false;
    int m_speed = 50; // the shuffle timer's designed interval until the speed is read
};

} // namespace core
