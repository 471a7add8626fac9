#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// The key of a draw that anyone can recompute, and the keyed choice it makes. Every input is reduced to the
// canonical bytes of the record (core/record/CanonicalForm.h), so a verifier written from docs/verifiable-draw.md
// in any language gets the same key and the same picks.
namespace verifiable {

class ParticipantList;

// One row of the prize plan, as the table holds it.
struct PrizeRow {
    std::int64_t urut = 0;   // the order in which prizes are drawn
    std::string hadiah;      // the prize's name, UTF-8
    std::int64_t jumlah = 0; // how many winners
    std::int64_t perRound = 1;
    bool operator==(const PrizeRow&) const = default;
};

// What the key is made of. L, Lp and P are fingerprints in lower-case hex; V and W as typed.
struct KeyInputs {
    std::string participants;     // L: all four fields of the sealed participants, in ID order
    std::string publicList;       // Lp: ID and draw number only, in the same order
    std::string plan;             // P
    bool leaveWinnersOut = false; // R: a winner of any prize is not drawn again
    std::vector<QString> publicValues;
    std::vector<QString> witnessValues;
};

inline constexpr int kMaxPublicValues = 5;
inline constexpr int kMaxWitnessValues = 5;

// A value as typed, as the key takes it: every run of white space one space, none at either end. White space is
// the fixed list of the 25 Unicode white-space characters (tab to carriage return, space, U+0085, U+00A0, U+1680,
// U+2000 to U+200A, U+2028, U+2029, U+202F, U+205F, U+3000), not whatever the running Qt's tables say.
QString normalizedValue(const QString& typed);

// "pemenang_tidak_diundi_lagi=1" or "=0": R as the key takes it.
std::string ruleText(bool leaveWinnersOut);

// Lp: the fingerprint of the participants' IDs and draw numbers, in their order.
std::string publicListFingerprint(const ParticipantList& participants);
// P: the fingerprint of the plan's rows (urut, hadiah, jumlah, per round; numbers in decimal) in urut order,
// whatever order they are given in.
std::string planFingerprint(std::span<const PrizeRow> plan);

// K: the SHA-256 of the one row "tombolika-undian/1", L, Lp, P, R, m, V1..Vm, w, W1..Ww, as its 32 bytes. Throws
// platform::Error for no public value or more than five, more than five witness values, or a value that is empty
// once normalised.
QByteArray drawKey(const KeyInputs& inputs);

// The keyed choice of a rank below n (n at least 1) for pick number i: the first of x(i, 0), x(i, 1), ... below
// 2^64 - (2^64 mod n), taken mod n, where x(i, c) is the first 8 bytes, big-endian, of HMAC-SHA256 under the key of
// i as 8 bytes and c as 4 bytes, both big-endian. Refusing the top of the range keeps every rank equally likely.
struct KeyedRank {
    std::uint64_t rank = 0;
    std::uint32_t counter = 0; // the c that gave it
};
KeyedRank keyedRank(const QByteArray& key, std::uint64_t i, std::uint64_t n);

} // namespace verifiable
