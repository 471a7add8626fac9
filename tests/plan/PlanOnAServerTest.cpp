#include "core/record/Verification.h"
#include "tests/plan/PlanSession.h"

#include <gtest/gtest.h>

namespace {

// An event with a plan on a server, as on a file: the plan's tables made there, rounds numbered by the server's
// keys, a winner absent before the save, a prize handed over and the event named; --verify replays it all.
TEST(PlanOnAServer, RoundsForfeitsHandoversAndTheEventNameVerify) {
    TestDatabase::setDefaultStore(Store::Server);
    PlanSession s{10};
    TestDatabase::setDefaultStore(Store::File);
    ASSERT_EQ(s.db.store(), Store::Server);

    s.addPrize("TV", "2", "2");
    s.addPrize("Mobil", "1");
    ScriptedPick& pick = s.script();
    pick.next = {0, 0};
    s.drawRound(); // D1, D2
    s.draw().forfeit(1, QStringLiteral("tidak hadir"));
    s.draw().save(); // D1
    pick.next = {0};
    s.saveRound(); // D3 takes the slot D2 left
    pick.next = {0};
    s.saveRound(); // the car: D1 may win it as well
    ASSERT_TRUE(s.session.handovers().change(1, core::Handover{core::Handover::State::HandedOver, QDate(2025, 5, 12)}));
    ASSERT_TRUE(s.plan().setEventName(QStringLiteral("Gebyar Undian 2025")));

    EXPECT_EQ(s.db.rows("SELECT urut, hadiah, jumlah FROM tb_hadiah ORDER BY urut"),
              (std::vector<std::vector<std::string>>{{"1", "TV", "2"}, {"2", "Mobil", "1"}}));
    EXPECT_EQ(s.db.rows("SELECT pemenang, urut_hadiah, id_peserta FROM tb_pemenang_hadiah ORDER BY pemenang"),
              (std::vector<std::vector<std::string>>{{"1", "1", "1"}, {"2", "1", "3"}, {"3", "2", "1"}}));
    EXPECT_EQ(s.db.count("tb_tidak_hadir"), 1);
    EXPECT_EQ(s.db.count("tb_serah_terima"), 1);

    const auto check = record::Verification::of(s.db.path());
    EXPECT_EQ(check.exitCode(), 0) << check.text().toStdString();
    EXPECT_EQ(check.eventName(), QStringLiteral("Gebyar Undian 2025"));
    EXPECT_EQ(check.forfeits().size(), 1u);
}

} // namespace
