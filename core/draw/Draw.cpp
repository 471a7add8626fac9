#include "core/draw/Draw.h"

#include "core/Settings.h"
#include "core/Version.h"
#include "core/record/Events.h"
#include "platform/Error.h"
#include "platform/db/Connection.h"

#include <QJsonArray>
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
        m_participants.open();
        m_eligible.readWinners(m_connection); // who has won, as the list is read
    }
    m_participants.prepareOrder(0); // the draw picks by rank of ID; sort once now, not at the first tick
    m_eligible.setParticipants(&m_participants);
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
    readList();
    m_journal.recordListReloaded(m_sealed.runStart().details); // waits for the fingerprint
    return Reload::Done;
}

Draw::Start Draw::start() {
    m_participants.checkActive(); // without participants there is nothing to shuffle
    if (m_participants.recordCount() == 0) return Start::NoParticipants;
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

void Draw::cancel() {
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
    countParticipants();
}

void Draw::countParticipants() {
    // With winners not drawn again, who is still in is worked out here rather than at the next tick.
    const std::size_t participants = m_eligible.participants();
    const std::optional<std::size_t> won = winnersOnce() && m_eligible.known()
                                               ? std::optional<std::size_t>(participants - m_eligible.eligible())
                                               : std::nullopt;
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

record::Journal::RunStart Draw::runStart() const {
    record::Journal::RunStart start = m_sealed.runStart();
    start.details[QStringLiteral("program")] = program::Title;
    start.details[QStringLiteral("version")] = program::Version;
    start.details[QStringLiteral("speed")] = m_speed;
    return start;
}

// The participant the cursor stands on, as the journal names it; nothing when there is no list.
QJsonObject Draw::selectedParticipant() const {
    if (!m_participants.active() || m_participants.recordCount() == 0) return {};
    return {{QStringLiteral("id"), QString::fromStdString(m_participants.fieldText(0))},
            {QStringLiteral("no_undian"), QString::fromStdString(m_participants.fieldText(1))},
            {QStringLiteral("nama"), QString::fromStdString(m_participants.fieldText(2))}};
}

} // namespace core
