#include "core/record/Events.h"
#include "tests/plan/PlanSession.h"

#include <gtest/gtest.h>

namespace {

using Rows = std::vector<std::vector<std::string>>;
using Start = core::Draw::Start;

// A round stopped in a run that ends before "&Simpan" or "&Batal" comes back at the next start exactly as it was
// stopped, to be saved or cancelled; it is never drawn again. Once saved, nothing comes back.
TEST(RoundRestore, AStoppedRoundComesBackAndIsSavedOnce) {
    auto first = std::make_unique<PlanSession>(12);
    first->addPrize("Voucher", "10", "4");
    first->addPrize("Mobil", "1");
    const core::PlanRound stopped = first->drawRound();
    const std::vector<std::string> drawn = PlanSession::numbers(stopped);
    first->draw().forfeit(2, QStringLiteral("tidak hadir")); // the third was found absent before the end
    TestDatabase& db = first->db;
    auto kept = std::move(first); // the run ends here: no save, no "&Batal"

    PlanSession next(db);
    ASSERT_TRUE(next.draw().restoreRound());
    const core::PlanRound& round = *next.draw().round();
    EXPECT_TRUE(round.restored);
    EXPECT_EQ(PlanSession::numbers(round), drawn);
    EXPECT_EQ(round.stopEntry, stopped.stopEntry);
    EXPECT_TRUE(round.winners[2].forfeited);
    EXPECT_EQ(round.winners[0].phone, QStringLiteral("08") + round.winners[0].number.mid(1));
    EXPECT_TRUE(next.draw().roundUnsaved());
    EXPECT_TRUE(next.draw().canSave());
    EXPECT_EQ(next.draw().currentPrize()->name, QStringLiteral("Voucher"));
    EXPECT_EQ(next.draw().start(), Start::RoundUnsaved);
    EXPECT_EQ(next.draw().turnPrize(1), core::Draw::Turn::Busy);
    EXPECT_EQ(next.draw().mayStillWin(), 8u); // its four picks are out of the next round

    next.draw().save();
    EXPECT_EQ(db.rows("SELECT no_undian FROM tb_pemenang ORDER BY rowid"), (Rows{{drawn[0]}, {drawn[1]}, {drawn[3]}}));
    const auto saved = next.entries(record::event::kRoundSaved);
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0].value("round").toInteger(), stopped.stopEntry);
    EXPECT_EQ(next.entries(record::event::kRoundStopped).size(), 1u); // not drawn again

    PlanSession third(db);
    EXPECT_FALSE(third.draw().restoreRound());
    EXPECT_EQ(third.draw().start(), Start::Started);
}

// A round cancelled, or every winner of it found absent, leaves nothing to bring back; nor does a draw without a
// plan.
TEST(RoundRestore, NothingComesBackOfARoundThatWasClosed) {
    auto cancelled = std::make_unique<PlanSession>(6);
    cancelled->addPrize("TV", "3", "2");
    cancelled->drawRound();
    cancelled->draw().cancel();
    TestDatabase& db = cancelled->db;
    auto kept = std::move(cancelled);
    {
        PlanSession next(db);
        EXPECT_FALSE(next.draw().restoreRound());
        next.drawRound();
        next.draw().forfeit(0, QStringLiteral("tidak hadir"));
        next.draw().forfeit(1, QStringLiteral("menolak hadiah"));
        EXPECT_FALSE(next.draw().roundUnsaved());
    }
    PlanSession after(db);
    EXPECT_FALSE(after.draw().restoreRound());

    PlanSession plain(3);
    plain.draw().start();
    plain.draw().stop();
    EXPECT_FALSE(PlanSession(plain.db).draw().restoreRound());
}

} // namespace
