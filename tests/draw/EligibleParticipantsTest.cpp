#include "core/draw/EligibleParticipants.h"
#include "platform/Error.h"
#include "platform/db/Connection.h"
#include "platform/db/TableCursor.h"
#include "tests/support/TestDatabase.h"

#include <gtest/gtest.h>
#include <set>
#include <string>

namespace {

// The draw's snapshot of the participants and the winners read at start-up, as the draw screen opens them.
class EligibleTest : public ::testing::Test {
protected:
    void start() {
        cn.setDatabasePath(db.path());
        cn.open();
        participants.setConnection(&cn);
        participants.setTableName("tb_peserta");
        participants.open();
        eligible.setParticipants(&participants);
        eligible.readWinners(cn);
    }
    // The draw numbers that may still be drawn.
    std::set<std::string> stillIn() {
        std::set<std::string> numbers;
        for (std::size_t i = 0; i < eligible.eligible(); ++i) {
            participants.moveToRank(0, eligible.rankAt(i));
            numbers.insert(participants.fieldText(1));
        }
        return numbers;
    }

    TestDatabase db;
    db::Connection cn;
    db::TableCursor participants{"ADOTable1"};
    EligibleParticipants eligible;
};

TEST_F(EligibleTest, WinnersReadAtStartUpAndSavedSinceAreOut) {
    db.addParticipants({5, 1, 3, 2, 4}); // not in ID order on disk
    db.exec("INSERT INTO tb_pemenang VALUES('D2','Nama 2','TV'),('X9','Not a participant','Radio')");
    start();
    db.exec("DELETE FROM tb_pemenang; INSERT INTO tb_pemenang VALUES('D1','Nama 1','Kipas')"); // after start-up
    EXPECT_EQ(eligible.participants(), 5u);
    EXPECT_EQ(stillIn(), (std::set<std::string>{"D1", "D3", "D4", "D5"}));
    eligible.winnerSaved("D4");
    eligible.winnerSaved("D4"); // saved twice
    eligible.winnerSaved("nobody");
    EXPECT_EQ(stillIn(), (std::set<std::string>{"D1", "D3", "D5"}));
    EXPECT_NO_THROW(eligible.checkKnown());
}

TEST_F(EligibleTest, SavedBeforeFirstUseCountsToo) {
    db.addParticipants(3);
    start();
    eligible.winnerSaved("D3"); // while the option was off: nothing worked out yet
    EXPECT_EQ(stillIn(), (std::set<std::string>{"D1", "D2"}));
}

// A draw number is what wins: every participant holding it leaves the draw.
TEST_F(EligibleTest, EveryoneWithTheDrawNumberLeaves) {
    db.addParticipants(4);
    db.exec("UPDATE tb_peserta SET no_undian='SAMA' WHERE ID IN (1, 3)");
    start();
    eligible.winnerSaved("SAMA");
    EXPECT_EQ(stillIn(), (std::set<std::string>{"D2", "D4"}));
    eligible.winnerSaved("D2");
    eligible.winnerSaved("D4");
    EXPECT_EQ(eligible.eligible(), 0u);
    EXPECT_EQ(eligible.participants(), 4u);
}

TEST_F(EligibleTest, UnreadableWinnersAreNotIgnored) {
    db.addParticipants(3);
    db.exec("DROP TABLE tb_pemenang");
    start();
    EXPECT_EQ(eligible.eligible(), 3u);
    try {
        eligible.checkKnown();
        FAIL() << "no error";
    } catch (const platform::Error& error) {
        EXPECT_EQ(std::string(error.what()),
                  "The winners could not be read at start-up, so it is not known who has won already (no such table: "
                  "tb_pemenang). Start the program again once the winners table can be read");
    }
}

TEST_F(EligibleTest, NoParticipants) {
    start();
    EXPECT_EQ(eligible.participants(), 0u);
    EXPECT_EQ(eligible.eligible(), 0u);
    eligible.winnerSaved("D1");
    EXPECT_EQ(eligible.eligible(), 0u);
}

} // namespace
