#pragma once

#include "core/minutes/Minutes.h"
#include "core/record/Verification.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace record {
class Journal;
}

// The prize report (laporan hadiah) the organiser files after the handover period, as an A4 PDF in the minutes' look:
// per prize how many winners it has, how many prizes were handed over, not taken and still to be handed over, and the
// slots never drawn; then the winners whose prize was handed over (with the day), those who did not take it, those
// still waiting, and the prizes left undrawn; the journal's last hash and its check; signatures. Made from what the
// journal's check read, as the minutes are, so both tell the same event.
class PrizeReport {
public:
    // One prize as the report counts it: a prize of the plan, or a prize of winners saved without one (by its name).
    struct Prize {
        QString name;
        std::optional<std::int64_t> quantity;                     // of the plan; none for a prize outside it
        std::vector<const record::Verification::Winner*> winners; // valid winners, in the order saved
        std::int64_t handedOver = 0;
        std::int64_t notTaken = 0;
        std::int64_t pending = 0;
        // Slots of the plan never drawn (or drawn and forfeited and not drawn again).
        std::int64_t open() const {
            return quantity && *quantity > static_cast<std::int64_t>(winners.size())
                       ? *quantity - static_cast<std::int64_t>(winners.size())
                       : 0;
        }
    };

    // The prizes in the plan's order, then those of winners saved without the plan in the order first saved.
    static std::vector<Prize> prizes(const record::Verification& check);
    // The document as HTML, in the layout it is printed with.
    static QString html(const record::Verification& check, const Minutes::Header& header);
    // Writes the PDF, whole or not at all; throws platform::Error when the file cannot be written.
    static void writePdf(const record::Verification& check, const Minutes::Header& header, const QString& path);
    // The report of the database the journal writes to, as it stands now; as Minutes::writeOfDatabase.
    static record::Verification::Outcome writeOfDatabase(record::Journal& journal, const std::string& databasePath,
                                                         const QString& path);
};
