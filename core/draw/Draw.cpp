#include "core/draw/Draw.h"

#include "core/Settings.h"
#include "core/Version.h"
#include "core/record/Events.h"
#include "platform/Error.h"
#include "platform/db/Connection.h"
#include "platform/db/Statement.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

namespace core {

Draw::Draw(db::Connection& connection, record::Journal& journal, Settings& settings)
    : m_connection(connection), m_journal(journal), m_settings(settings) {
    m_participants.setConnection(&connection);
    m_participants.setTableName("tb_peserta");
    m_insert.setConnection(&connection);
    // The texts go in as parameters: quotes, commas and line breaks are stored exactly as typed.
    m_insert.setCommandText("insert into tb_pemenang values(?,?,?)");
}

Draw::~Draw() = default;

void Draw::readList() {
    {
        // The journal's last entry, the list and who has won as of one moment: with other desks writing, a change
        // committed between two of these reads would have a list that its record does not account for.
        db::ReadTransaction reading(m_connection);
        m_sealed.markBeforeRead(m_connection);
        m_sealed.followRead(m_participants);
        m_participants.open();
        m_eligible.readWinners(m_connection); // who has won, as the list is read
    }
    m_participants.prepareOrder(0); // the draw picks by rank of ID; sort once now, not at the first tick
    m_eligible.setParticipants(&m_participants);
    m_planWinnersSaved = false;
    m_planEligible.setParticipants(&m_participants);
    m_keyed.listRead();
    refreshPlan();
    countParticipants();
    m_sealed.seal(m_participants, [this] {
        QMetaObject::invokeMethod(
            this,
            [this] {
                tell([&](DrawObserver& o) { o.listSealed(m_sealed.count(), shortFingerprint()); });
                m_journal.startQuietly();
            },
            Qt::QueuedConnection);
    });
}

Draw::Reload Draw::reloadList() {
    if (m_round.shuffling()) return Reload::Shuffling;
    if (m_round.unsaved()) return Reload::Unsaved;
    m_journal.ensureStarted(); // the run's start names the list drawn from until now
    // The fingerprint's thread reads the rows the cursor holds: it is done with them before they are read again.
    m_sealed.join();
    m_participants.close();
    m_lastRank.reset();
    m_noListReported = false;
    m_planRound.reset(); // its winners are saved; it belongs to the list drawn from until now
    readList();
    m_journal.recordListReloaded(m_sealed.runStart().details); // waits for the fingerprint
    return Reload::Done;
}

Draw::Start Draw::start() {
    m_participants.checkActive(); // without participants there is nothing to shuffle
    if (m_participants.recordCount() == 0) return Start::NoParticipants;
    refreshPlan();
    if (m_plan.exists()) return startRound();
    if (m_keyed.on()) return Start::SealBroken; // the plan sealed is gone
    m_planShuffle = false;
    m_planRound.reset();
    if (m_planWinnersSaved) {
        // The plan is gone: its winners of this run count as the winners saved since the list was read.
        m_eligible.readWinners(m_connection);
        m_planWinnersSaved = false;
    }
    if (winnersOnce()) {
        m_eligible.checkKnown();
        if (m_eligible.participants() > 0 && m_eligible.eligible() == 0) return Start::EveryoneHasWon;
    }
    // The next winner is drawn: the last one's number and name go, the phone and the prize stay.
    m_details.number.clear();
    m_details.name.clear();
    m_round.shuffleStarted();
    tell([](DrawObserver& o) { o.shuffleStarted(); });
    return Start::Started;
}

Draw::Tick Draw::tick() {
    if (!m_participants.active()) return Tick::NoList;
    if (m_planShuffle) return tickRound();
    const std::size_t n = m_participants.recordCount();
    m_random.reseed();
    if (winnersOnce()) {
        // Winners are not drawn again: every participant still in has the same chance.
        const std::size_t left = m_eligible.eligible();
        if (left == 0 && m_eligible.participants() > 0) {
            // The last one still in has won meanwhile, or the setting was switched on: the shuffle stops as "Acak"
            // would have refused it, rather than stay on someone who has won.
            m_round.shuffleEnded();
            m_lastRank.reset();
            return Tick::EveryoneHasWon;
        }
        if (left > 0) {
            const std::size_t rank = m_eligible.rankAt(static_cast<std::size_t>(m_random.uniform(left) - 1));
            m_participants.moveToRank(0, rank);
            m_lastRank = rank + 1;
        }
    } else if (n >= 1) {
        const std::uint64_t r = m_random.uniform(n);
        m_participants.moveToRank(0, static_cast<std::size_t>(r - 1));
        m_lastRank = r;
    }
    const QString number = shownNumber();
    tell([&](DrawObserver& o) { o.numberShown(number); });
    return Tick::Shown;
}

void Draw::reportNoList() {
    if (m_noListReported) return;
    m_noListReported = true;
    m_participants.checkActive();
}

QString Draw::shownNumber() const {
    return QString::fromStdString(m_participants.fieldText(1));
}

void Draw::stop() {
    if (m_planShuffle) return stopRound();
    m_round.stopped();
    QJsonObject stop = selectedParticipant();
    stop[QStringLiteral("n")] = static_cast<double>(m_participants.active() ? m_participants.recordCount() : 0);
    stop[QStringLiteral("rank")] = m_lastRank ? QJsonValue(static_cast<double>(*m_lastRank)) : QJsonValue();
    // With winners not drawn again, the pick was among those still in.
    if (winnersOnce()) stop[QStringLiteral("eligible")] = static_cast<double>(m_eligible.eligible());
    stop.remove(QStringLiteral("nama"));
    m_journal.record(record::event::kStop, stop);
}

void Draw::show() {
    if (m_planRound) return; // "Stop" showed the round
    // Read whole before anything changes: without a list, nothing is shown.
    const QString number = QString::fromStdString(m_participants.fieldText(1));
    const QString name = QString::fromStdString(m_participants.fieldText(2));
    const QString phone = QString::fromStdString(m_participants.fieldText(3));
    m_details.number = number;
    m_details.name = name;
    m_details.phone = phone;
    m_canSave = true;
    m_round.shown();
    tell([&](DrawObserver& o) { o.detailsShown(m_details); });
    m_journal.record(record::event::kShow, selectedParticipant());
}

void Draw::save() {
    if (m_planRound) return saveRound();
    m_canSave = false;
    const DrawDetails winner = m_details;
    m_insert.setParameters({winner.number.toStdString(), winner.name.toStdString(), winner.prize.toStdString()});
    // The winner's row and its journal entry go in one transaction: both or neither.
    m_journal.recordChange(record::event::kWinnerSaved, [&] {
        m_insert.execute();
        return QJsonObject{{QStringLiteral("rowid"), static_cast<double>(m_connection.lastInsertRowid())},
                           {QStringLiteral("values"), QJsonArray{winner.number, winner.name, winner.prize}}};
    });
    m_round.closed();
    m_eligible.winnerSaved(winner.number.toStdString()); // that draw number leaves the draw at once
    tell([&](DrawObserver& o) { o.winnerSaved(winner); });
    if (winnersOnce()) countParticipants();
}

bool Draw::canCancel() const {
    return m_canSave && !(m_planRound && m_planRound->keyed());
}

void Draw::cancel() {
    if (m_planRound && m_planRound->keyed() && !m_planRound->saved && m_round.unsaved())
        throw platform::Error("Putaran undian terverifikasi tidak dapat dibatalkan setelah dihentikan: pemenang yang "
                              "tidak hadir digugurkan dengan Tidak Hadir, beserta alasannya.");
    if (m_planRound) return cancelRound();
    const QJsonArray cleared{m_details.number, m_details.name, m_details.prize};
    m_details.number.clear();
    m_details.name.clear();
    setPrize(QString());
    m_details.phone.clear();
    m_canSave = false;
    m_round.closed();
    tell([](DrawObserver& o) { o.detailsCleared(); });
    m_journal.record(record::event::kCancel, {{QStringLiteral("values"), cleared}});
}

void Draw::setNumber(const QString& number) {
    m_details.number = number;
}

void Draw::setName(const QString& name) {
    m_details.name = name;
}

void Draw::setPhone(const QString& phone) {
    m_details.phone = phone;
}

void Draw::setPrize(const QString& prize) {
    if (prize == m_details.prize) return;
    m_details.prize = prize;
    tell([&](DrawObserver& o) { o.prizeTyped(prize); });
}

bool Draw::winnersOnce() const {
    return m_settings.winnersOnce();
}

void Draw::setWinnersOnce(bool on) {
    if (on) m_eligible.checkKnown();
    m_settings.storeWinnersOnce(on);
    if (m_plan.exists()) selectCurrentPrize();
    countParticipants();
}

std::optional<std::size_t> Draw::alreadyWon() {
    if (!winnersOnce() || !m_eligible.known()) return std::nullopt;
    if (m_plan.exists()) return m_planEligible.outOfEveryPrize();
    return m_eligible.participants() - m_eligible.eligible();
}

void Draw::countParticipants() {
    // With winners not drawn again, who is still in is worked out here rather than at the next tick.
    const std::size_t participants = m_eligible.participants();
    const std::optional<std::size_t> won = alreadyWon();
    tell([&](DrawObserver& o) { o.participantsCounted(participants, won); });
}

QString Draw::shortFingerprint() const {
    if (!m_sealed.sealed()) return {};
    QString fingerprint;
    try {
        fingerprint = QString::fromStdString(m_sealed.fingerprint().sha256);
    } catch (const std::exception&) {
        return {}; // the run's first journal entry says why
    }
    QStringList groups;
    for (int i = 0; i < 16; i += 4)
        groups << fingerprint.mid(i, 4);
    return groups.join(QLatin1Char(' '));
}

std::optional<record::SealedList::Change> Draw::listChange() {
    if (!m_sealed.sealed()) return std::nullopt;
    // A line of information: when the database cannot answer now, the line stays as it was.
    try {
        return m_sealed.changeSince(m_connection);
    } catch (const platform::Error&) {
        return std::nullopt;
    }
}

bool Draw::listIsTheTable() {
    if (!m_participants.active()) return false;
    try {
        return m_sealed.tableUnchanged(m_connection);
    } catch (const platform::Error&) {
        return false;
    }
}

record::Journal::RunStart Draw::runStart() const {
    record::Journal::RunStart start = m_sealed.runStart();
    start.details[QStringLiteral("program")] = program::Title;
    start.details[QStringLiteral("version")] = program::Version;
    start.details[QStringLiteral("speed")] = m_speed;
    return start;
}

// --- The prize plan ------------------------------------------------------------------------------------------

void Draw::readPlan() {
    m_plan.read();
    m_keyed.read();
    planRead();
    tellKeyed();
}

void Draw::tellKeyed() {
    const KeyedDetails keyed = m_keyed.shown();
    if (keyed == m_keyedTold) return;
    m_keyedTold = keyed;
    tell([&](DrawObserver& o) { o.keyedDrawChanged(keyed); });
}

std::optional<verifiable::Seal> Draw::sealEvent(const KeyedEvent::SealRequest& request,
                                                const std::function<void(const verifiable::Seal&)>& alongside) {
    const bool roundOpen = m_round.shuffling() || m_round.unsaved();
    std::optional<verifiable::Seal> seal = m_keyed.sealEvent(request, roundOpen, alongside);
    planRead(); // the prizes in urut order from now on, or as the operator turns them again
    tellKeyed();
    countParticipants();
    emit planChanged();
    return seal;
}

verifiable::FixedKey Draw::fixKey(const std::vector<QString>& publicValues, const std::vector<QString>& witnessValues) {
    verifiable::FixedKey fixed = m_keyed.fixKey(publicValues, witnessValues);
    tellKeyed();
    const KeyedDetails keyed = m_keyed.shown();
    tell([&](DrawObserver& o) { o.keyShown(keyed); });
    return fixed;
}

void Draw::planRead() {
    m_planEligible.setPicks(m_plan.picks());
    // The round not saved keeps its prize; else the prize turned to, while it has a slot open; else the first open.
    if (m_planRound && !m_planRound->saved && m_round.unsaved()) {
        m_currentPrize = m_planRound->prize;
    } else if (m_planShuffle && m_round.shuffling()) {
        // The shuffle runs for the prize it was started for.
    } else if (keyedMode()) {
        m_currentPrize = m_plan.firstOpen(); // the method draws the prizes in urut order
    } else {
        const Prize* current = m_currentPrize ? m_plan.prize(*m_currentPrize) : nullptr;
        if (!current || current->open() == 0) m_currentPrize = m_plan.firstOpen();
    }
    selectCurrentPrize();
    settlePrizeDetail();
    tell([&](DrawObserver& o) { o.eventNamed(m_plan.eventName()); });
}

void Draw::settlePrizeDetail() {
    if (!m_plan.exists() || m_planRound || m_round.shuffling()) return;
    const Prize* prize = currentPrize();
    setPrize(prize ? prize->name : QString());
}

bool Draw::refreshPlan() noexcept {
    try {
        const db::NoWaitForLocks noWait(m_connection);
        readPlan();
        return true;
    } catch (const std::exception&) {
        // The plan read before stands (a database locked by another program answers later); a draw without a plan
        // goes on as it always has.
        return false;
    }
}

void Draw::planWritten() {
    if (m_planReadQueued) return;
    m_planReadQueued = true;
    // After the write's transaction: the plan as it stands once the write is done or undone.
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_planReadQueued = false;
            refreshPlan();
            countParticipants();
            emit planChanged();
        },
        Qt::QueuedConnection);
}

void Draw::selectCurrentPrize() {
    if (keyedMode()) {
        // As the method counts: the picks of the sealed event only, with the rule as sealed.
        m_planEligible.selectAmongPicks(m_currentPrize.value_or(0), m_keyed.seal()->leaveWinnersOut);
    } else {
        const bool once = winnersOnce() && m_eligible.known();
        m_planEligible.select(m_currentPrize.value_or(0), once ? &m_eligible.wonNumbers() : nullptr,
                              m_eligible.changes());
    }
    if (m_planRound && !m_planRound->saved && m_planRound->prize == m_currentPrize)
        for (const RoundWinner& winner : m_planRound->winners)
            if (!winner.forfeited && winner.inList) m_planEligible.pick(winner.rank);
}

const Prize* Draw::currentPrize() const {
    return m_currentPrize ? m_plan.prize(*m_currentPrize) : nullptr;
}

int Draw::nextRoundSize() const {
    const Prize* prize = currentPrize();
    if (!prize) return 0;
    return static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(prize->roundSize()), mayStillWin()));
}

Draw::Turn Draw::turnPrize(int direction) {
    if (m_round.shuffling() || m_round.unsaved()) return Turn::Busy;
    if (keyedMode()) return Turn::Keyed;
    const std::optional<std::int64_t> next =
        m_currentPrize ? m_plan.nextOpen(*m_currentPrize, direction) : m_plan.firstOpen();
    if (!next) return Turn::NoOther;
    return choosePrize(*next);
}

Draw::Turn Draw::choosePrize(std::int64_t urut) {
    if (m_round.shuffling() || m_round.unsaved()) return Turn::Busy;
    if (keyedMode()) return Turn::Keyed;
    const Prize* prize = m_plan.prize(urut);
    if (!prize || prize->open() == 0) return Turn::NoOther;
    m_currentPrize = urut;
    selectCurrentPrize();
    settlePrizeDetail();
    countParticipants();
    emit planChanged();
    return Turn::Turned;
}

Draw::Start Draw::startRound() {
    if (m_round.unsaved()) return Start::RoundUnsaved; // saved or cancelled first, never drawn again silently
    if (!currentPrize()) return Start::PlanComplete;
    if (keyedMode()) {
        if (m_keyed.broken()) return Start::SealBroken;
        if (!m_keyed.key()) return Start::KeyMissing;
    } else if (winnersOnce()) {
        m_eligible.checkKnown();
    }
    if (mayStillWin() == 0) return Start::NobodyForPrize;
    // The method makes a round's picks all or none.
    if (keyedMode() && mayStillWin() < static_cast<std::size_t>(currentPrize()->roundSize()))
        return Start::TooFewForRound;
    m_planRound.reset();
    m_details = DrawDetails{{}, {}, {}, currentPrize()->name};
    m_canSave = false;
    m_planShuffle = true;
    m_round.shuffleStarted();
    const QString prize = currentPrize()->name;
    const int winners = nextRoundSize();
    tell([&](DrawObserver& o) {
        o.shuffleStarted();
        o.roundStarted(prize, winners);
    });
    return Start::Started;
}

Draw::Tick Draw::tickRound() {
    // Only those who may still win the prize are flashed.
    const std::size_t left = mayStillWin();
    if (left == 0) {
        m_round.shuffleEnded();
        m_planShuffle = false;
        return Tick::EveryoneHasWon;
    }
    m_random.reseed();
    const std::size_t rank = m_planEligible.rankAt(static_cast<std::size_t>(m_random.uniform(left) - 1));
    m_participants.moveToRank(0, rank);
    m_lastRank = rank + 1;
    const QString number = shownNumber();
    tell([&](DrawObserver& o) { o.numberShown(number); });
    return Tick::Shown;
}

RoundWinner Draw::winnerAt(std::size_t rank) const {
    const std::size_t row = m_participants.positionOfRank(0, rank);
    RoundWinner winner;
    winner.rank = rank;
    winner.id = std::stoll(m_participants.cellText(row, 0));
    winner.number = QString::fromStdString(m_participants.cellText(row, 1));
    winner.name = QString::fromStdString(m_participants.cellText(row, 2));
    winner.phone = QString::fromStdString(m_participants.cellText(row, 3));
    return winner;
}

void Draw::stopRound() {
    m_planShuffle = false;
    m_round.stopped();
    const Prize* prize = currentPrize();
    const int size = nextRoundSize();
    if (!prize || size == 0) { // nobody left to win it meanwhile
        m_round.closed();
        return;
    }
    PlanRound round;
    round.prize = prize->urut;
    round.prizeName = prize->name;
    QJsonArray picks;
    const bool keyed = keyedMode();
    try {
        if (keyed) {
            // The list or the plan may have changed on its screen while the shuffle ran.
            if (const std::optional<QString> why = m_keyed.broken()) throw platform::Error(why->toStdString());
            if (size < prize->roundSize())
                throw platform::Error("Tinggal " + std::to_string(size) +
                                      " peserta yang dapat memenangkan hadiah ini, "
                                      "putaran ini " +
                                      std::to_string(prize->roundSize()) + " pemenang");
        }
        WinnerPick& pick = keyed ? static_cast<WinnerPick&>(m_keyedPick) : *m_pick;
        for (int place = 0; place < size; ++place) {
            const std::uint64_t n = mayStillWin();
            const std::uint64_t index = pick.pick({round.prize, place, n});
            if (index >= n) throw platform::Error("The pick is out of range: " + std::to_string(index));
            RoundWinner winner = winnerAt(m_planEligible.rankAt(static_cast<std::size_t>(index)));
            winner.index = index;
            winner.n = n;
            m_planEligible.pick(winner.rank);
            QJsonObject journaled{{QStringLiteral("rank"), static_cast<double>(index)},
                                  {QStringLiteral("n"), static_cast<double>(n)},
                                  {QStringLiteral("id"), static_cast<double>(winner.id)},
                                  {QStringLiteral("no_undian"), winner.number},
                                  {QStringLiteral("nama"), winner.name}};
            if (keyed) {
                winner.pick = m_keyedPick.number(place);
                journaled[QStringLiteral("i")] = static_cast<double>(winner.pick);
                // The draw number as the list holds it, NULL apart from empty, as the public list has it.
                const std::optional<std::string> number = m_keyed.participants().number(winner.rank);
                journaled[QStringLiteral("no_undian")] =
                    number ? QJsonValue(QString::fromStdString(*number)) : QJsonValue();
            }
            round.winners.push_back(winner);
            picks.append(journaled);
        }
        QJsonObject stop{{QStringLiteral("prize"), static_cast<double>(round.prize)},
                         {QStringLiteral("hadiah"), round.prizeName},
                         {QStringLiteral("picks"), picks}};
        if (keyed) stop[QStringLiteral("seal")] = static_cast<double>(m_keyed.seal()->entry);
        // In the journal before anyone sees them: a run that ends now brings the round back at its next start.
        round.stopEntry = m_journal.record(record::event::kRoundStopped, stop);
        if (keyed) m_keyed.roundRecorded(round.winners.size());
    } catch (...) {
        for (const RoundWinner& winner : round.winners)
            m_planEligible.giveBack(winner.rank);
        m_round.closed();
        throw;
    }
    m_planRound = std::move(round);
    showRoundDetails();
}

void Draw::showRoundDetails() {
    const PlanRound& round = *m_planRound;
    m_canSave = !round.saved && round.standing() > 0;
    if (round.winners.size() == 1) {
        const RoundWinner& winner = round.winners.front();
        if (winner.inList) m_participants.moveToRank(0, winner.rank);
        m_details = DrawDetails{winner.number, winner.name, winner.phone, round.prizeName};
        const QString number = winner.number;
        tell([&](DrawObserver& o) {
            o.numberShown(number);
            o.detailsShown(m_details);
        });
    } else {
        m_details = DrawDetails{{}, {}, {}, round.prizeName};
        tell([&](DrawObserver& o) { o.roundShown(round); });
    }
}

void Draw::saveRound() {
    PlanRound& round = *m_planRound;
    if (round.saved || round.standing() == 0) return;
    std::vector<PrizePlan::NewWinner> winners;
    for (const RoundWinner& winner : round.winners)
        if (!winner.forfeited) winners.push_back({winner.id, winner.number, winner.name});
    // A round that failed to save (a locked database, say) stays as it was, to be saved again or cancelled.
    const std::vector<std::int64_t> keys = m_plan.saveRound(round.prize, round.stopEntry, winners);
    std::size_t next = 0;
    for (RoundWinner& winner : round.winners)
        if (!winner.forfeited) winner.key = keys[next++];
    round.saved = true;
    m_canSave = false;
    m_round.closed();
    m_planWinnersSaved = true;
    planRead(); // the round's winners out of the next picks, even while the tables cannot be read again now
    refreshPlan();
    if (round.winners.size() == 1) {
        const DrawDetails saved = m_details;
        tell([&](DrawObserver& o) { o.winnerSaved(saved); });
    } else {
        tell([&](DrawObserver& o) { o.roundSaved(round); });
    }
    countParticipants();
}

void Draw::cancelRound() {
    const PlanRound round = *m_planRound;
    m_planRound.reset();
    for (const RoundWinner& winner : round.winners)
        if (!winner.forfeited && winner.inList) m_planEligible.giveBack(winner.rank);
    m_details = DrawDetails{{}, {}, {}, m_details.prize};
    m_canSave = false;
    m_round.closed();
    settlePrizeDetail();
    tell([](DrawObserver& o) { o.detailsCleared(); });
    m_journal.record(record::event::kRoundCancelled, {{QStringLiteral("round"), static_cast<double>(round.stopEntry)},
                                                      {QStringLiteral("prize"), static_cast<double>(round.prize)}});
}

void Draw::forfeit(std::size_t place, const QString& reason) {
    if (!m_planRound || place >= m_planRound->winners.size()) return;
    PlanRound& round = *m_planRound;
    RoundWinner& winner = round.winners[place];
    if (winner.forfeited) return;
    m_plan.forfeit({round.prize, winner.id, winner.number, winner.name, reason, winner.key, round.stopEntry});
    winner.forfeited = true;
    // Found absent for the prize: out of it for good, and a saved winner's slot is open again.
    if (!round.saved && round.standing() == 0) {
        m_round.closed(); // nobody left to save
        m_canSave = false;
    }
    if (round.saved) m_currentPrize = round.prize; // the next round fills the slot
    planRead();
    refreshPlan();
    tell([&](DrawObserver& o) { o.winnerForfeited(round, place); });
    countParticipants();
    emit planChanged();
}

void Draw::forfeitSaved(std::int64_t key, const QString& reason) {
    const std::optional<PlanWinner> winner = m_plan.winnerOf(key);
    if (m_planRound && m_planRound->saved)
        for (std::size_t place = 0; place < m_planRound->winners.size(); ++place)
            if (m_planRound->winners[place].key == key) return forfeit(place, reason);
    m_plan.forfeitWinner(key, reason);
    if (winner && !m_round.unsaved() && !m_round.shuffling()) m_currentPrize = winner->prize;
    planRead();
    refreshPlan();
    countParticipants();
    emit planChanged();
}

bool Draw::restoreRound() {
    if (!m_participants.active() || !record::tableExists(m_connection, record::Journal::kTable)) return false;
    db::Statement last(m_connection, "SELECT urut, rincian FROM tb_jurnal WHERE jenis=? ORDER BY urut DESC LIMIT 1");
    last.bindText(1, record::event::kRoundStopped);
    if (!last.step()) return false;
    PlanRound round;
    round.stopEntry = last.columnInt(0);
    const std::string_view text = last.columnText(1);
    const QJsonObject stop =
        QJsonDocument::fromJson(QByteArray(text.data(), static_cast<qsizetype>(text.size()))).object();
    round.prize = static_cast<std::int64_t>(stop.value(QStringLiteral("prize")).toDouble());
    round.prizeName = stop.value(QStringLiteral("hadiah")).toString();
    for (const QJsonValue& value : stop.value(QStringLiteral("picks")).toArray()) {
        const QJsonObject pick = value.toObject();
        RoundWinner winner;
        winner.id = static_cast<std::int64_t>(pick.value(QStringLiteral("id")).toDouble());
        winner.index = static_cast<std::uint64_t>(pick.value(QStringLiteral("rank")).toDouble());
        winner.n = static_cast<std::uint64_t>(pick.value(QStringLiteral("n")).toDouble());
        winner.number = pick.value(QStringLiteral("no_undian")).toString();
        winner.name = pick.value(QStringLiteral("nama")).toString();
        winner.pick = static_cast<std::uint64_t>(pick.value(QStringLiteral("i")).toDouble());
        if (const auto rank = m_planEligible.rankOf(winner.id)) {
            winner.rank = *rank;
            winner.phone = QString::fromStdString(m_participants.cellText(m_participants.positionOfRank(0, *rank), 3));
        } else {
            winner.inList = false; // removed from the list since: saved as the journal names them
        }
        round.winners.push_back(winner);
    }
    // Saved, cancelled or forfeited whole since: nothing to bring back.
    db::Statement since(m_connection, "SELECT jenis, rincian FROM tb_jurnal WHERE urut>? AND jenis IN (?,?,?)");
    since.bindInt(1, round.stopEntry);
    since.bindText(2, record::event::kRoundSaved);
    since.bindText(3, record::event::kRoundCancelled);
    since.bindText(4, record::event::kWinnerForfeited);
    while (since.step()) {
        const std::string_view entry = since.columnText(1);
        const QJsonObject details =
            QJsonDocument::fromJson(QByteArray(entry.data(), static_cast<qsizetype>(entry.size()))).object();
        if (static_cast<std::int64_t>(details.value(QStringLiteral("round")).toDouble()) != round.stopEntry) continue;
        if (since.columnText(0) != record::event::kWinnerForfeited) return false;
        const auto id = static_cast<std::int64_t>(details.value(QStringLiteral("id")).toDouble());
        for (RoundWinner& winner : round.winners)
            if (winner.id == id) winner.forfeited = true;
    }
    if (round.winners.empty() || round.standing() == 0) return false;
    round.restored = true;
    m_planRound = std::move(round);
    m_round.stopped();
    refreshPlan(); // the round's prize is the current one, its winners out of the next picks
    m_currentPrize = m_planRound->prize;
    selectCurrentPrize();
    showRoundDetails();
    return true;
}

// The participant the cursor stands on, as the journal names it; nothing when there is no list.
QJsonObject Draw::selectedParticipant() const {
    if (!m_participants.active() || m_participants.recordCount() == 0) return {};
    return {{QStringLiteral("id"), QString::fromStdString(m_participants.fieldText(0))},
            {QStringLiteral("no_undian"), QString::fromStdString(m_participants.fieldText(1))},
            {QStringLiteral("nama"), QString::fromStdString(m_participants.fieldText(2))}};
}

} // namespace core
