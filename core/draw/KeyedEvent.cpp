#include "core/draw/KeyedEvent.h"

#include "core/Settings.h"
#include "core/plan/PrizePlan.h"
#include "core/record/Events.h"
#include "core/record/Journal.h"
#include "core/record/SealedList.h"
#include "platform/Error.h"
#include "platform/db/Connection.h"
#include "platform/db/Statement.h"
#include "platform/db/TableCursor.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>

namespace core {

namespace {

QJsonObject detailsOf(const db::Statement& statement, int column) {
    const std::string_view text = statement.columnText(column);
    return QJsonDocument::fromJson(QByteArray(text.data(), static_cast<qsizetype>(text.size()))).object();
}

QString textOf(const db::Statement& statement, int column) {
    const std::string_view text = statement.columnText(column);
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::int64_t entryOf(const QJsonObject& details, const char* key) {
    return static_cast<std::int64_t>(details.value(QLatin1String(key)).toDouble());
}

QString onOff(bool on) {
    return on ? QStringLiteral("aktif") : QStringLiteral("tidak aktif");
}

QString shortHex(const std::string& hex) {
    return verifiable::groupedHex(QString::fromStdString(hex));
}

} // namespace

KeyedEvent::KeyedEvent(db::Connection& connection, record::Journal& journal, Settings& settings,
                       const db::TableCursor& participants, const record::SealedList& list, const PrizePlan& plan)
    : m_connection(connection), m_journal(journal), m_settings(settings), m_cursor(participants), m_list(list),
      m_plan(plan) {}

KeyedEvent::~KeyedEvent() = default;

void KeyedEvent::read() {
    // Read whole before anything changes: a read that fails leaves the state read before.
    std::optional<verifiable::Seal> seal;
    std::optional<verifiable::FixedKey> key;
    std::uint64_t picks = 0;
    if (record::tableExists(m_connection, record::Journal::kTable)) {
        db::Statement last(m_connection,
                           "SELECT urut, waktu, rincian FROM tb_jurnal WHERE jenis=? ORDER BY urut DESC LIMIT 1");
        last.bindText(1, record::event::kEventSealed);
        if (last.step()) {
            verifiable::Seal found =
                verifiable::Seal::fromDetails(detailsOf(last, 2), last.columnInt(0), textOf(last, 1));
            if (found.on) {
                db::Statement since(m_connection, "SELECT urut, waktu, jenis, rincian FROM tb_jurnal WHERE urut>? AND "
                                                  "jenis IN (?,?) ORDER BY urut");
                since.bindInt(1, found.entry);
                since.bindText(2, record::event::kKeyFixed);
                since.bindText(3, record::event::kRoundStopped);
                while (since.step()) {
                    const QJsonObject details = detailsOf(since, 3);
                    if (entryOf(details, "seal") != found.entry) continue;
                    if (since.columnText(2) == record::event::kKeyFixed) {
                        if (!key)
                            key = verifiable::FixedKey::fromDetails(details, since.columnInt(0), textOf(since, 1));
                    } else {
                        picks += static_cast<std::uint64_t>(details.value(QStringLiteral("picks")).toArray().size());
                    }
                }
                seal = std::move(found);
            }
        }
    }
    m_seal = std::move(seal);
    m_key = std::move(key);
    m_picks = picks;
}

std::vector<verifiable::PrizeRow> KeyedEvent::planRows() const {
    std::vector<verifiable::PrizeRow> rows;
    for (const Prize& prize : m_plan.prizes())
        rows.push_back({prize.urut, prize.name.toStdString(), prize.quantity, prize.perRound});
    return rows;
}

const verifiable::CursorParticipants& KeyedEvent::participants() {
    if (!m_participants) m_participants = std::make_unique<verifiable::CursorParticipants>(m_cursor);
    return *m_participants;
}

std::optional<verifiable::Seal> KeyedEvent::sealEvent(const SealRequest& request, bool roundOpen,
                                                      const std::function<void(const verifiable::Seal&)>& alongside) {
    verifiable::Seal seal;
    seal.on = request.on;
    if (!request.on) {
        if (!on()) return std::nullopt; // off already
    } else {
        if (!m_plan.exists())
            throw platform::Error("Belum ada daftar hadiah: undian terverifikasi mengundi hadiah menurut daftar "
                                  "hadiah. Isi daftar hadiah dulu, lalu segel.");
        if (const std::size_t picked = m_plan.picks().size(); picked > 0 || roundOpen)
            throw platform::Error(
                QStringLiteral("Daftar hadiah sudah dipakai mengundi (%1 pemenang dan tidak hadir%2): "
                               "undian terverifikasi disegel sebelum hadiah pertama diundi.")
                    .arg(picked)
                    .arg(roundOpen ? QStringLiteral(", dan satu putaran belum disimpan") : QString())
                    .toStdString());
        for (const Prize& prize : m_plan.prizes())
            if (prize.quantity < 1)
                throw platform::Error(QStringLiteral("Hadiah nomor %1 belum berjumlah pemenang: isi jumlahnya, lalu "
                                                     "segel.")
                                          .arg(prize.urut)
                                          .toStdString());
        if (request.sources.isEmpty() || request.sources.size() > verifiable::kMaxPublicValues)
            throw platform::Error(
                QStringLiteral("Undian terverifikasi memakai 1 sampai %1 sumber nilai publik, bukan %2")
                    .arg(verifiable::kMaxPublicValues)
                    .arg(request.sources.size())
                    .toStdString());
        if (request.witnesses < 0 || request.witnesses > verifiable::kMaxWitnessValues)
            throw platform::Error(QStringLiteral("Nilai saksi paling banyak %1, bukan %2")
                                      .arg(verifiable::kMaxWitnessValues)
                                      .arg(request.witnesses)
                                      .toStdString());
        for (qsizetype at = 0; at < request.sources.size(); ++at) {
            const QString source = verifiable::normalizedValue(request.sources[at]);
            if (source.isEmpty())
                throw platform::Error(
                    QStringLiteral("Sumber nilai publik %1 masih kosong: tulis sumbernya seperti akan "
                                   "diumumkan, misalnya \"drand quicknet, ronde 12345678\"")
                        .arg(at + 1)
                        .toStdString());
            seal.sources << source;
        }
        // What is sealed is the list the draw draws from, and it must be the table as it is now: the notary
        // recomputes L from the table.
        if (!m_list.sealed()) throw platform::Error("Daftar peserta belum dibaca: tidak ada yang dapat disegel");
        if (const record::SealedList::Change change = m_list.changeSince(m_connection); change.changed)
            throw platform::Error(QStringLiteral("Daftar peserta di tabel telah berubah sejak dimuat (%1 peserta dalam "
                                                 "undian, %2 di tabel). Tekan Muat Ulang Daftar dulu, lalu segel.")
                                      .arg(change.inDraw)
                                      .arg(change.inTable)
                                      .toStdString());
        const record::ListSeal list = m_list.fingerprint();
        if (list.count == 0) throw platform::Error("Tidak ada peserta yang dapat diundi: tidak ada yang dapat disegel");
        participants().checkIds();
        seal.participants = list.sha256;
        seal.count = list.count;
        seal.publicList = verifiable::publicListFingerprint(participants());
        seal.prizes = planRows();
        seal.plan = verifiable::planFingerprint(seal.prizes);
        seal.leaveWinnersOut = m_settings.winnersOnce();
        seal.witnesses = request.witnesses;
    }
    m_journal.ensureStarted();
    seal.time = record::Journal::timeText(m_journal.now());
    seal.entry = m_journal.record(record::event::kEventSealed, seal.details(), [&] {
        seal.entry = record::Journal::lastEntry(m_connection); // the entry just written, named in the letter
        if (alongside) alongside(seal);
    });
    if (seal.on)
        m_seal = seal;
    else
        m_seal.reset();
    m_key.reset();
    m_picks = 0;
    return seal;
}

std::vector<QString> KeyedEvent::valuesAsUsed(const std::vector<QString>& typed) {
    std::vector<QString> used;
    for (const QString& value : typed)
        used.push_back(verifiable::normalizedValue(value));
    return used;
}

verifiable::FixedKey KeyedEvent::fixKey(const std::vector<QString>& publicValues,
                                        const std::vector<QString>& witnessValues) {
    if (!m_seal) throw platform::Error("Undian Terverifikasi belum disegel: tekan Segel Undian di Daftar Hadiah dulu");
    if (m_key)
        throw platform::Error(QStringLiteral("Kunci undian sudah ditetapkan (%1) dan tidak dapat diubah lagi")
                                  .arg(m_key->shortKey())
                                  .toStdString());
    if (const std::optional<QString> why = broken()) throw platform::Error(why->toStdString());
    const verifiable::Seal& seal = *m_seal;
    if (publicValues.size() != static_cast<std::size_t>(seal.sources.size()) ||
        witnessValues.size() != static_cast<std::size_t>(seal.witnesses))
        throw platform::Error(QStringLiteral("Segel meminta %1 nilai publik dan %2 nilai saksi, bukan %3 dan %4")
                                  .arg(seal.sources.size())
                                  .arg(seal.witnesses)
                                  .arg(publicValues.size())
                                  .arg(witnessValues.size())
                                  .toStdString());
    verifiable::FixedKey fixed;
    fixed.seal = seal.entry;
    fixed.publicValues = valuesAsUsed(publicValues);
    fixed.witnessValues = valuesAsUsed(witnessValues);
    for (std::size_t at = 0; at < fixed.publicValues.size(); ++at)
        if (fixed.publicValues[at].isEmpty())
            throw platform::Error(QStringLiteral("Nilai publik %1 (%2) masih kosong")
                                      .arg(at + 1)
                                      .arg(seal.sources[static_cast<qsizetype>(at)])
                                      .toStdString());
    for (std::size_t at = 0; at < fixed.witnessValues.size(); ++at)
        if (fixed.witnessValues[at].isEmpty())
            throw platform::Error(QStringLiteral("Nilai saksi %1 masih kosong").arg(at + 1).toStdString());
    fixed.key = verifiable::drawKey(verifiable::keyInputs(seal, fixed.publicValues, fixed.witnessValues));
    m_journal.ensureStarted();
    fixed.time = record::Journal::timeText(m_journal.now());
    fixed.entry = m_journal.record(record::event::kKeyFixed, fixed.details());
    m_key = fixed;
    return fixed;
}

std::optional<QString> KeyedEvent::broken() const {
    if (!m_seal) return std::nullopt;
    const verifiable::Seal& seal = *m_seal;
    QStringList what;
    std::string list;
    try {
        if (m_list.sealed()) list = m_list.fingerprint().sha256;
    } catch (const std::exception&) {
        // Not sealed: not the list sealed either.
    }
    if (list != seal.participants)
        what << QStringLiteral("daftar peserta yang diundi (sidik jari %1) bukan daftar yang disegel (%2)")
                    .arg(list.empty() ? QStringLiteral("tidak ada") : shortHex(list), shortHex(seal.participants));
    if (verifiable::planFingerprint(planRows()) != seal.plan)
        what << QStringLiteral("daftar hadiah bukan daftar yang disegel");
    if (m_settings.winnersOnce() != seal.leaveWinnersOut)
        what << QStringLiteral("\"Pemenang tidak diundi lagi\" kini %1, saat disegel %2")
                    .arg(onOff(m_settings.winnersOnce()), onOff(seal.leaveWinnersOut));
    if (what.isEmpty()) return std::nullopt;
    return QStringLiteral("Daftar peserta/daftar hadiah berubah sejak disegel: %1. %2")
        .arg(what.join(QStringLiteral("; ")),
             m_picks == 0 ? QStringLiteral("Kembalikan seperti saat disegel, atau tekan Segel Undian lagi di Daftar "
                                           "Hadiah dan umumkan segel yang baru.")
                          : QStringLiteral("Kembalikan seperti saat disegel: undian yang sudah berjalan tidak dapat "
                                           "disegel lagi."));
}

verifiable::PublicListFile KeyedEvent::exportPublicList(const QString& path) {
    const verifiable::CursorParticipants& list = participants();
    list.checkIds();
    if (m_seal && verifiable::publicListFingerprint(list) != m_seal->publicList)
        throw platform::Error(
            broken().value_or(QStringLiteral("Daftar peserta/daftar hadiah berubah sejak disegel")).toStdString());
    m_journal.ensureStarted();
    return verifiable::writePublicList(
        path, list, [&](const verifiable::PublicListFile& written, const std::function<void()>& commit) {
            m_journal.record(record::event::kPublicListExported,
                             {{QStringLiteral("path"), QDir::toNativeSeparators(path)},
                              {QStringLiteral("rows"), static_cast<double>(written.rows)},
                              {QStringLiteral("Lp"), QString::fromStdString(written.fingerprint)},
                              {QStringLiteral("sha256"), QString::fromStdString(written.sha256)}},
                             commit);
        });
}

KeyedDetails KeyedEvent::shown() const {
    KeyedDetails shown;
    shown.on = on();
    if (!m_key || !m_seal) return shown;
    for (std::size_t at = 0; at < m_key->publicValues.size(); ++at)
        shown.values << QStringLiteral("%1: %2").arg(m_seal->sources.value(static_cast<qsizetype>(at)),
                                                     m_key->publicValues[at]);
    for (std::size_t at = 0; at < m_key->witnessValues.size(); ++at)
        shown.values << QStringLiteral("Saksi %1: %2").arg(at + 1).arg(m_key->witnessValues[at]);
    shown.shortKey = m_key->shortKey();
    return shown;
}

std::uint64_t KeyedPick::pick(const PickRequest& request) {
    const std::optional<verifiable::FixedKey>& key = m_event.key();
    if (!key) throw platform::Error("Kunci undian belum ditetapkan");
    return verifiable::keyedRank(key->key, number(request.place), request.n).rank;
}

} // namespace core
