#include "platform/db/SqlCommand.h"
#include "platform/Error.h"
#include "platform/db/TableCursor.h"
#include "tests/support/ErrorOf.h"
#include "tests/support/TestDatabase.h"

#include <gtest/gtest.h>
#include <string>
#include <tuple>

namespace {

using namespace std::string_literals;

struct AwkwardText {
    const char* name;
    std::string text;
};

std::ostream& operator<<(std::ostream& out, const AwkwardText& t) {
    return out << t.name;
}

const AwkwardText awkwardTexts[] = {
    {"Empty", ""},
    {"DoubleQuotes", "\"Ani\" \"\"Budi\""},
    {"Apostrophes", "Jum'at O'Neil ''"},
    {"Commas", "a,b,,c,"},
    {"StatementBreaker", "\",\"x\"); DROP TABLE tb_pemenang; --"},
    {"LineBreaks", "line 1\r\nline 2\nline 3\r"},
    {"Tabs", "a\tb\t"},
    {"NulBytes", "before\0after\0"s},
    {"Emoji", "Hadiah \xF0\x9F\x8E\x81 \xF0\x9F\x9A\x97"},
    {"RightToLeft", "\xD8\xAC\xD8\xA7\xD8\xA6\xD8\xB2\xD8\xA9 \xD7\xA4\xD7\xA8\xD7\xA1"},
    {"Percent", "100% %s %d"},
    {"Question", "? ?1 :a @b $c"},
    {"Backslashes", "C:\\Undian\\db_sms.mdb \\n"},
    {"Blanks", "  padded  "},
    {"OneMegabyte", std::string(1 << 20, 'x') + "end"},
};

class StoredExactly : public ::testing::TestWithParam<std::tuple<Store, AwkwardText>> {
protected:
    const AwkwardText& theCase() const { return std::get<1>(GetParam()); }
    // The server's text holds no NUL character: it refuses such a text, with its reason, and stores nothing.
    bool refusedByTheStore() const {
        return db.store() == Store::Server && theCase().text.find('\0') != std::string::npos;
    }
    TestDatabase db{std::get<0>(GetParam())};
};

TEST_P(StoredExactly, ThroughTheWinnerInsert) {
    const std::string& text = theCase().text;
    db::SqlCommand command;
    command.setConnection(&db.cn());
    command.setCommandText("insert into tb_pemenang values(?,?,?)");
    command.setParameters({text, "nama " + text, text + " hadiah"});
    if (refusedByTheStore()) {
        EXPECT_NE(errorOf([&] { command.execute(); }).find("0x00"), std::string::npos);
        EXPECT_EQ(db.count("tb_pemenang"), 0);
        return;
    }
    EXPECT_EQ(command.execute(), 1);

    const auto rows = db.rows("SELECT * FROM tb_pemenang");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{text, "nama " + text, text + " hadiah"}));

    // And the cursor reads back exactly what was written.
    db::TableCursor cursor("ADOTable1");
    cursor.setConnection(&db.cn());
    cursor.setTableName("tb_pemenang");
    cursor.open();
    EXPECT_EQ(cursor.fieldText(0), text);
    EXPECT_EQ(cursor.fieldText(2), text + " hadiah");
}

TEST_P(StoredExactly, ThroughACursor) {
    const std::string& text = theCase().text;
    db::TableCursor cursor("ADOTable1");
    cursor.setConnection(&db.cn());
    cursor.setTableName("tb_peserta");
    cursor.open();
    cursor.append();
    cursor.setFieldText("ID", "1");
    cursor.setFieldText("nama", text);
    if (refusedByTheStore()) {
        EXPECT_NE(errorOf([&] { cursor.post(); }).find("0x00"), std::string::npos);
        EXPECT_EQ(cursor.state(), db::TableCursor::State::Insert); // kept, for the operator to correct
        EXPECT_EQ(db.count("tb_peserta"), 0);
        return;
    }
    cursor.post();
    EXPECT_EQ(db.rows("SELECT nama FROM tb_peserta"), (std::vector<std::vector<std::string>>{{text}}));
    EXPECT_EQ(cursor.fieldText("nama"), text);
    cursor.requery();
    EXPECT_EQ(cursor.fieldText("nama"), text);
}

INSTANTIATE_TEST_SUITE_P(Texts, StoredExactly,
                         ::testing::Combine(::testing::ValuesIn(kStores), ::testing::ValuesIn(awkwardTexts)),
                         [](const auto& info) {
                             return std::string(storeName(std::get<0>(info.param))) + "_" +
                                    std::get<1>(info.param).name;
                         });

class SqlCommand : public ::testing::TestWithParam<Store> {
protected:
    TestDatabase db{GetParam()};
};

TEST_P(SqlCommand, MissingParametersAreNull) {
    db::SqlCommand command;
    command.setConnection(&db.cn());
    command.setCommandText("insert into tb_pemenang values(?,?,?)");
    command.setParameters({"a", std::nullopt});
    command.execute();
    EXPECT_EQ(db.rows("SELECT * FROM tb_pemenang"), (std::vector<std::vector<std::string>>{{"a", "<null>", "<null>"}}));
}

TEST_P(SqlCommand, ErrorsCarryTheDatabaseMessage) {
    db::SqlCommand command;
    EXPECT_THROW(command.execute(), platform::Error); // no connection
    command.setConnection(&db.cn());
    db.exec("DROP TABLE tb_pemenang");
    command.setCommandText("insert into tb_pemenang values(?,?,?)");
    command.setParameters({"a", "b", "c"});
    try {
        command.execute();
        FAIL();
    } catch (const platform::Error& error) {
        EXPECT_EQ(std::string(error.what()), "no such table: tb_pemenang");
    }
}

TEST_P(SqlCommand, DeleteEveryParticipant) {
    db.exec("INSERT INTO tb_peserta VALUES(1,'a','b','c'),(2,'a','b','c')");
    db::SqlCommand command;
    command.setConnection(&db.cn());
    command.setCommandText("delete from tb_peserta");
    EXPECT_EQ(command.execute(), 2);
    EXPECT_EQ(db.count("tb_peserta"), 0);
}

INSTANTIATE_TEST_SUITE_P(Stores, SqlCommand, ::testing::ValuesIn(kStores),
                         [](const auto& info) { return std::string(storeName(info.param)); });

} // namespace
