#pragma once

#include "core/draw/DrawObserver.h"
#include "core/draw/DrawRound.h"
#include "core/draw/EligibleParticipants.h"
#include "core/draw/KeyedEvent.h"
#include "core/draw/PlanEligibility.h"
#include "core/draw/PlanRound.h"
#include "core/draw/WinnerPick.h"
#include "core/plan/PrizePlan.h"
#include "core/record/Journal.h"
#include "core/record/SealedList.h"
#include "platform/chance/TickRandom.h"
#include "platform/db/SqlCommand.h"
#include "platform/db/TableCursor.h"

#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>
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
//
// With a prize plan (PrizePlan) the draw goes by rounds: the current prize is the first in the plan's order with a
// slot open (the operator may turn to another), "Acak" shuffles among those who may still win it
// (PlanEligibility), and "Stop" picks the round's winners at once, each through the pick (WinnerPick) among those
// who may still win given the picks before, writes them to the journal and then shows them: there is no
// "Tampilkan" step. "&Simpan" saves the whole round, "&Batal" gives it up, and until either, the next "Acak" is
// refused. A winner of the round shown, saved or not, may be found absent ("Tidak Hadir"). Without a plan
// everything is as above.
//
// With the plan's keyed draw on ("Undian Terverifikasi", KeyedEvent) the rounds go as the method has them: prizes in
// urut order, each pick the key's (KeyedPick) among the participants not yet picked in the sealed event for the
// prize (with the rule on repeat winners, for any prize; a draw number that won outside the plan stays in), a round
// never cancelled once stopped. "Acak" is refused until the key is fixed, and while the list, the plan or the rule
// is not the one sealed.
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
    // winners are not drawn again and who has won is unknown. With a plan, refused while a round is not saved or
    // cancelled, when every prize has all its winners, and when nobody may still win the current prize.
    // The keyed draw adds: no key fixed yet, the seal broken (KeyedEvent::broken() says how), and fewer left to win
    // the prize than the round takes.
    enum class Start {
        Started,
        NoParticipants,
        EveryoneHasWon,
        RoundUnsaved,
        PlanComplete,
        NobodyForPrize,
        KeyMissing,
        SealBroken,
        TooFewForRound
    };
    Start start();
    // A shuffle tick: the cursor stands on the participant picked, whose draw number shownNumber() gives. Ended
    // when the last participant still in has won meanwhile; NoList when the list could not be read.
    enum class Tick { Shown, EveryoneHasWon, NoList };
    Tick tick();
    // After a tick without a list: says why, once.
    void reportNoList();
    // "Stop": the participant of the last tick is drawn. With a plan, the round's winners are picked, journaled and
    // shown; when the journal cannot take them, nothing is drawn (the error says why).
    void stop();
    // "Tampilkan": the drawn participant's number, name and phone become the details; they can be saved. Nothing
    // with a plan, whose "Stop" shows.
    void show();
    // "&Simpan": one winner row from the details (draw number, name, prize), with its journal entry: both or
    // neither. Saving is no longer possible from the first step, also when it fails. With a plan, the whole round
    // (PrizePlan::saveRound); a round that failed to save can be saved again.
    void save();
    // "&Batal": the details and the prize are cleared; with a plan, the round is given up. A round of the keyed draw
    // is not given up once stopped: its winners leave only by "Tidak Hadir" (platform::Error).
    void cancel();
    // Whether "&Batal" may be pressed now.
    bool canCancel() const;

    // --- The prize plan ---
    PrizePlan& plan() { return m_plan; }
    const PrizePlan& plan() const { return m_plan; }
    bool planned() const { return m_plan.exists(); }
    // Reads the plan again as the tables hold it, and settles the current prize.
    void readPlan();
    // The same as a look that must not keep the screen waiting: while another program holds the database, the plan
    // read before stands. False then.
    bool refreshPlan() noexcept;
    // A row of the plan, or a winner of it, was written through a cursor: the plan is read again once the write is
    // done, and planChanged() follows.
    void planWritten();
    // The prize the next round draws (the round shown draws it too); none without a plan or with every slot filled.
    const Prize* currentPrize() const;
    // Winners the next round draws: the prize's round, or fewer when fewer slots are open or fewer may still win.
    int nextRoundSize() const;
    // Who may still win the current prize.
    std::size_t mayStillWin() const { return m_planEligible.count(); }
    // PageUp / PageDown and the selector: turns to another prize with a slot open. Not while the shuffle runs or
    // a round is not saved, nor in the keyed draw, which draws the prizes in urut order.
    enum class Turn { Turned, NoOther, Busy, Keyed };
    Turn turnPrize(int direction);
    Turn choosePrize(std::int64_t urut);
    // The round shown, from its "Stop" until the next "Acak" or its "&Batal".
    const std::optional<PlanRound>& round() const { return m_planRound; }
    // "Tidak Hadir" for the winner at this place of the round shown, saved or not (PrizePlan::forfeit).
    void forfeit(std::size_t place, const QString& reason);
    // "Tidak Hadir" on the winners screen, for a saved winner of the plan by its row's key.
    void forfeitSaved(std::int64_t key, const QString& reason);
    // At start-up: a round stopped in a run that ended before its save or "&Batal" comes back, as it was stopped,
    // to be saved or cancelled; never drawn again. True when one came back.
    bool restoreRound();
    // The pick of each winner of a round; tests and a keyed draw put in their own. None: the random one, from the
    // draw's random source (the default).
    void setWinnerPick(std::unique_ptr<WinnerPick> pick) {
        m_pick = pick ? std::move(pick) : std::make_unique<RandomPick>(m_random);
    }

    // --- The keyed draw ("Undian Terverifikasi") ---
    KeyedEvent& keyed() { return m_keyed; }
    const KeyedEvent& keyed() const { return m_keyed; }
    // On, with a plan to draw.
    bool keyedMode() const { return m_keyed.on() && m_plan.exists(); }
    // "Segel Undian" and the key dialog's OK (KeyedEvent::sealEvent, fixKey); the followers are told.
    std::optional<verifiable::Seal> sealEvent(const KeyedEvent::SealRequest& request,
                                              const std::function<void(const verifiable::Seal&)>& alongside = {});
    verifiable::FixedKey fixKey(const std::vector<QString>& publicValues, const std::vector<QString>& witnessValues);

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
    // With winners not drawn again and who has won known: how many of the list are out of the draw for having won
    // (with a plan, for having been picked for any prize).
    std::optional<std::size_t> alreadyWon();

    // The list's seal as the operator and the hall read it: the first 16 hex digits in groups of four; empty while
    // it is not taken, or when it could not be.
    QString shortFingerprint() const;
    // Whether the participants table has changed since the list was read; nothing while the list is not sealed or
    // the database cannot answer now.
    std::optional<record::SealedList::Change> listChange();

    // Whether the participants table holds just the rows of the list drawn from (nothing changed it since it was
    // read): a view of the table may then open as a copy of participants() instead of reading it. False when the
    // database cannot tell now.
    bool listIsTheTable();

    // What the run's first journal entry says: the list, the program and the speed.
    record::Journal::RunStart runStart() const;

signals:
    // The plan was read again after a change: the current prize and its counts may differ.
    void planChanged();

private:
    Start startRound();
    Tick tickRound();
    void stopRound();
    void saveRound();
    void cancelRound();
    // After the plan was read, or changed here: who was picked, the current prize settled, who may still win it.
    void planRead();
    // Works out who may still win the current prize, less the winners of a round not saved.
    void selectCurrentPrize();
    // The participant of the list at this rank, as a winner of a round.
    RoundWinner winnerAt(std::size_t rank) const;
    // The round's single winner as the details show it.
    void showRoundDetails();
    // With a plan and no round shown, the prize in the details is the current one.
    void settlePrizeDetail();
    // The keyed draw as the followers were last told of it, told again when it changed.
    void tellKeyed();
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

    PrizePlan m_plan{m_connection, m_journal};
    PlanEligibility m_planEligible;
    std::unique_ptr<WinnerPick> m_pick = std::make_unique<RandomPick>(m_random);
    KeyedEvent m_keyed{m_connection, m_journal, m_settings, m_participants, m_sealed, m_plan};
    KeyedPick m_keyedPick{m_keyed};
    KeyedDetails m_keyedTold;
    std::optional<std::int64_t> m_currentPrize;
    std::optional<PlanRound> m_planRound;
    bool m_planShuffle = false;      // the shuffle runs for a round of the plan
    bool m_planWinnersSaved = false; // since the winners were read: a draw without a plan reads them again
    bool m_planReadQueued = false;
};

} // namespace core
