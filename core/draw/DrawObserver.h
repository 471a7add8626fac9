#pragma once

#include "core/draw/PlanRound.h"

#include <QString>
#include <QStringList>
#include <cstddef>
#include <optional>

// A participant as the draw screen shows it after "Tampilkan", or a winner as "&Simpan" stored it.
struct DrawDetails {
    QString number; // draw number
    QString name;
    QString phone;
    QString prize;
};

// A keyed draw ("Undian Terverifikasi", core::KeyedEvent) as the hall is told of it.
struct KeyedDetails {
    bool on = false;
    QStringList values; // once the key is fixed: each value, named by its source ("Saksi 1: 4821")
    QString shortKey;   // once the key is fixed: its first 16 hex digits in groups of four
    bool operator==(const KeyedDetails&) const = default;
};

// What the draw tells whoever follows it, in the order it happens. The draw knows nothing of how it is shown: the
// audience screen is one such follower. Every call comes on the user-interface thread and must return quickly:
// numberShown() comes at every shuffle tick.
class DrawObserver {
public:
    virtual ~DrawObserver() = default;

    // The participants in the draw (the snapshot read at start-up, or again) and, while winners are not drawn
    // again, how many of them have won already.
    virtual void participantsCounted(std::size_t participants, std::optional<std::size_t> alreadyWon) = 0;
    // The list drawn from is sealed: its participant count and short fingerprint.
    virtual void listSealed(std::size_t participants, const QString& fingerprint) = 0;
    // "Acak": the shuffle starts.
    virtual void shuffleStarted() = 0;
    // A shuffle tick put this draw number on the display.
    virtual void numberShown(const QString& number) = 0;
    // "Tampilkan": the selected participant's details.
    virtual void detailsShown(const DrawDetails& details) = 0;
    // The prize as the operator types it.
    virtual void prizeTyped(const QString& prize) = 0;
    // "&Simpan" stored this winner.
    virtual void winnerSaved(const DrawDetails& winner) = 0;
    // "&Batal": the details are cleared.
    virtual void detailsCleared() = 0;

    // With a prize plan. A round of one winner goes through detailsShown() and winnerSaved() as a draw without a
    // plan does; these tell the rest.
    // "Acak": the shuffle for this prize starts (after shuffleStarted()), for this many winners.
    virtual void roundStarted(const QString& prize, int winners) {
        (void)prize;
        (void)winners;
    }
    // "Stop": a round of several winners, as drawn.
    virtual void roundShown(const core::PlanRound& round) { (void)round; }
    // "&Simpan" stored that round.
    virtual void roundSaved(const core::PlanRound& round) { (void)round; }
    // The plan was read: the event's name ("Nama acara"), empty when none was given.
    virtual void eventNamed(const QString& name) { (void)name; }
    // "Tidak Hadir": the winner at this place of the round shown forfeited the prize.
    virtual void winnerForfeited(const core::PlanRound& round, std::size_t place) {
        (void)round;
        (void)place;
    }

    // The keyed draw was switched on or off, or its key fixed: what the hall is told of it from then on.
    virtual void keyedDrawChanged(const KeyedDetails& keyed) { (void)keyed; }
    // The key was just fixed: its values and the key, shown until the next "Acak".
    virtual void keyShown(const KeyedDetails& keyed) { (void)keyed; }
};
