#pragma once

#include "core/verifiable/DrawKey.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <string>
#include <vector>

// A keyed draw as the journal records it: its seal ("event_sealed") and its key ("key_fixed"). The program writes
// these entries and reads them back to go on drawing after a restart; the check of the journal reads them to
// recompute every pick. docs/record.md lists their fields.
namespace verifiable {

// What the organiser seals before the event, as its entry holds it.
struct Seal {
    std::int64_t entry = 0; // the journal entry
    QString time;           // UTC, as the journal writes times
    // "Undian Terverifikasi" on. A seal that switches it off records that alone: the draws after it are random.
    bool on = true;
    std::string participants;     // L
    std::string publicList;       // Lp
    std::string plan;             // P
    bool leaveWinnersOut = false; // R
    std::uint64_t count = 0;      // participants sealed
    std::vector<PrizeRow> prizes; // the plan sealed, in urut order
    QStringList sources;          // the public sources as the organiser announces them, one value each
    int witnesses = 0;            // how many witness values the key takes

    QJsonObject details() const;
    // Reads an entry's details; fields missing read as empty.
    static Seal fromDetails(const QJsonObject& details, std::int64_t entry, const QString& time);
};

// The key fixed for a seal, from the values as they are used (normalised).
struct FixedKey {
    std::int64_t entry = 0;
    QString time;
    std::int64_t seal = 0; // the seal's entry
    std::vector<QString> publicValues;
    std::vector<QString> witnessValues;
    QByteArray key; // the 32 bytes of K

    QJsonObject details() const;
    static FixedKey fromDetails(const QJsonObject& details, std::int64_t entry, const QString& time);
    // The first 16 hex digits in groups of four, as the hall reads them: "9e11 d07d 3479 8680".
    QString shortKey() const;
};

// What the key of this seal is made of, with these values as typed.
KeyInputs keyInputs(const Seal& seal, std::vector<QString> publicValues, std::vector<QString> witnessValues);

// A hex digest in groups of four, the first `digits` digits.
QString groupedHex(const QString& hex, int digits = 16);

} // namespace verifiable
