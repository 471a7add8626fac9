#include "core/RowWrites.h"

#include "core/draw/Draw.h"
#include "core/winners/Handovers.h"
#include "platform/Error.h"

namespace core {

void RowWrites::rowWritten(const db::RowWrite& write) {
    QJsonObject more;
    bool plan = false;
    if (write.table == PrizePlan::kPrizes) {
        m_draw.plan().checkPrizeWrite(write);
        plan = true;
    } else if (write.table == "tb_pemenang" && write.kind == db::RowWrite::Kind::Delete) {
        // In the keyed draw a winner leaves only as a forfeit, with its reason: the method counts every pick.
        if (m_draw.keyed().on() && m_draw.plan().winnerOf(write.rowid))
            throw platform::Error("Pemenang undian terverifikasi tidak dapat dihapus: bila pemenang tidak mengambil "
                                  "hadiahnya, gugurkan dengan Tidak Hadir beserta alasannya.");
        // A winner of the plan deleted in the winners grid takes its record with it; its slot opens again.
        if (const auto prize = m_draw.plan().winnerRowDeleted(write.rowid)) {
            more[QStringLiteral("prize")] = static_cast<double>(*prize);
            plan = true;
        }
        // Any winner's handover goes with its row.
        if (const auto handover = Handovers::winnerRowGone(m_connection, write.rowid))
            more[QStringLiteral("serah_terima")] = handover->json();
    }
    m_journal.record(write, more);
    if (plan) m_draw.planWritten();
}

} // namespace core
