#pragma once

#include "core/record/EntryHash.h"
#include "tests/plan/PlanSession.h"

#include <optional>
#include <string>
#include <vector>

// The program's session drawing a keyed event ("Undian Terverifikasi") without any screen, and what its tests do to
// the database from outside.
namespace keyed {

using Row = std::vector<std::optional<std::string>>; // ID, no_undian, nama, hp

// A value as SQL writes it: NULL, or the text in quotes.
inline std::string sqlValue(const std::optional<std::string>& value) {
    if (!value) return "NULL";
    std::string out = "'";
    for (const char c : *value) {
        if (c == '\'') out += '\'';
        out += c;
    }
    return out + "'";
}

// The rows as participants, in one transaction.
inline std::string insertParticipants(const std::vector<Row>& rows) {
    std::string sql = "BEGIN;";
    for (const Row& row : rows)
        sql += "INSERT INTO tb_peserta VALUES(" + *row[0] + "," + sqlValue(row[1]) + "," + sqlValue(row[2]) + "," +
               sqlValue(row[3]) + ");";
    return sql + "COMMIT;";
}

inline const QStringList& sources() {
    static const QStringList two{QStringLiteral("drand quicknet, ronde 12345678"),
                                 QStringLiteral("penutupan IHSG tanggal 2 Mei 2025")};
    return two;
}

// Seals the event with two public sources and the witnesses, and fixes its key from these values.
inline void sealAndFixKey(PlanSession& session,
                          std::vector<QString> publicValues = {QStringLiteral("a"), QStringLiteral("b")},
                          std::vector<QString> witnessValues = {QStringLiteral("17")}) {
    session.draw().sealEvent({true, sources(), static_cast<int>(witnessValues.size())});
    session.draw().fixKey(publicValues, witnessValues);
}

// Every pick of a round as the method numbers them: (i, prize, rank, n, id, no_undian).
inline std::vector<verifiable::Pick> picksOf(const core::PlanRound& round) {
    std::vector<verifiable::Pick> picks;
    for (const core::RoundWinner& winner : round.winners)
        picks.push_back({winner.pick, round.prize, winner.index, winner.n, winner.id, winner.number.toStdString(),
                         winner.forfeited});
    return picks;
}

// The journal's hashes recomputed from `from` on, as someone who changed an entry would have to.
inline void rechain(TestDatabase& db) {
    const auto rows = db.rows("SELECT urut, waktu, jenis, rincian FROM tb_jurnal ORDER BY urut");
    std::string previous = record::kZeroHash;
    std::string sql = "BEGIN;";
    for (const auto& row : rows) {
        const std::string hash = record::entryHash(previous, std::stoll(row[0]), row[1], row[2], row[3]);
        sql += "UPDATE tb_jurnal SET hash_sebelum='" + previous + "', hash='" + hash + "' WHERE urut=" + row[0] + ";";
        previous = hash;
    }
    db.exec(sql + "COMMIT;");
}

} // namespace keyed
