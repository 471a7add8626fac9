// The packed rows of a snapshot: every value as the database gave it, whatever its kind and however the rows are
// numbered and spread over pages; rows reached one by one and read straight through agree; a store that shares
// another's rows sees exactly those it was given.
#include "platform/db/RowStore.h"
#include "platform/db/Statement.h"
#include "tests/support/TestDatabase.h"

#include <cctype>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using db::RowStore;

// Every row of `sql` (rowid first, then `fields` fields) added to the store.
void addAll(RowStore& store, db::Connection& connection, const std::string& sql, int fields) {
    db::Statement select(connection, sql);
    while (select.step())
        store.addFromStatement(select, fields);
}

std::optional<std::string> storedText(const RowStore::Field& field) {
    std::string room;
    const auto text = RowStore::storedText(field, room);
    return text ? std::optional<std::string>(std::string(*text)) : std::nullopt;
}

struct ValueCase {
    const char* name;
    const char* value; // an SQL literal
    RowStore::Kind kind;
};

std::ostream& operator<<(std::ostream& out, const ValueCase& c) {
    return out << c.name;
}

const ValueCase valueCases[] = {
    {"null", "NULL", RowStore::Kind::Null},
    {"zero", "0", RowStore::Kind::Integer},
    {"the rowid itself", "1", RowStore::Kind::Integer}, // the row's rowid is 1
    {"negative", "-12", RowStore::Kind::Integer},
    {"largest", "9223372036854775807", RowStore::Kind::Integer},
    {"smallest", "-9223372036854775808", RowStore::Kind::Integer},
    {"real", "2.5", RowStore::Kind::Real},
    {"huge real", "1e300", RowStore::Kind::Real},
    {"empty text", "''", RowStore::Kind::Text},
    {"one digit", "'7'", RowStore::Kind::Text},
    {"two digits", "'08'", RowStore::Kind::Text},
    {"phone, odd digits", "'0812345678901'", RowStore::Kind::Text},
    {"leading zeros", "'0000001'", RowStore::Kind::Text},
    {"255 digits", "printf('%.255c', '9')", RowStore::Kind::Text},
    {"256 digits", "printf('%.256c', '1')", RowStore::Kind::Text},
    {"digits and a letter", "'123A'", RowStore::Kind::Text},
    {"digits and a space", "'0812 3456'", RowStore::Kind::Text},
    {"signed digits", "'+62812'", RowStore::Kind::Text},
    {"long name", "printf('%.200c', 'x')", RowStore::Kind::Text},
    {"text with a nul", "'a' || char(0) || 'b'", RowStore::Kind::Text},
    {"utf-8", "'Ñoño 李'", RowStore::Kind::Text},
    {"blob", "x'00ff1f'", RowStore::Kind::Blob},
    {"empty blob", "x''", RowStore::Kind::Blob},
};

class PackedValue : public ::testing::TestWithParam<ValueCase> {};

// Each value in the middle of a row, between texts of digits, read as the database turns it into text.
TEST_P(PackedValue, ReadsBackAsTheDatabaseGaveIt) {
    TestDatabase db;
    db.exec(std::string("CREATE TABLE t (a, v, b); INSERT INTO t VALUES ('0812', ") + GetParam().value + ", '99')");
    RowStore store;
    addAll(store, db.cn(), "SELECT rowid, * FROM t", 3);
    const auto expected = db.rows("SELECT CAST(v AS TEXT), typeof(v), length(CAST(v AS BLOB)) FROM t").front();
    const RowStore::Field field = store.field(0, 1);
    EXPECT_EQ(field.kind, GetParam().kind);
    EXPECT_EQ(storedText(field).value_or("<null>"), expected[0]);
    if (field.kind != RowStore::Kind::Real) { // the screens write a real their own way
        EXPECT_EQ(RowStore::text(field), storedText(field).value_or(""));
    }
    EXPECT_EQ(storedText(store.field(0, 0)), "0812");
    EXPECT_EQ(storedText(store.field(0, 2)), "99");
    EXPECT_EQ(store.rowid(0), 1);
}

INSTANTIATE_TEST_SUITE_P(Kinds, PackedValue, ::testing::ValuesIn(valueCases), [](const auto& info) {
    std::string name = info.param.name;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
});

// Rows numbered every way a table may hold them (in order, with gaps, descending, negative, far apart) and large
// enough to spread over several pages: each row reached alone and all read straight through give the same rows.
TEST(RowStore, RowsAreFoundWhateverTheirRowidsAndPages) {
    TestDatabase db;
    db.exec("CREATE TABLE t (id, name, phone)");
    std::vector<std::int64_t> rowids;
    for (std::int64_t i = 1; i <= 300; ++i)
        rowids.push_back(i); // in order
    for (std::int64_t i = 1000; i <= 100000; i += 997)
        rowids.push_back(i); // with gaps
    for (std::int64_t i : {-5LL, -9223372036854775807LL - 1, 9223372036854775807LL, 7LL << 40})
        rowids.push_back(i);
    db.cn().exec("BEGIN");
    db::Statement insert(db.cn(), "INSERT INTO t (rowid, id, name, phone) VALUES (?, ?, ?, ?)");
    for (std::size_t i = 0; i < rowids.size(); ++i) {
        insert.bindInt(1, rowids[i]);
        insert.bindInt(2, i % 3 == 0 ? rowids[i] : static_cast<std::int64_t>(i)); // the rowid itself, or not
        // Every 50th name large, so rows fill several pages of a megabyte.
        insert.bindText(3, std::string(i % 50 == 0 ? 200000 : 5, static_cast<char>('a' + i % 26)));
        insert.bindText(4, "08" + std::to_string(1000000 + i));
        insert.step();
        insert.reset();
    }
    db.cn().exec("COMMIT");
    // Read in descending rowid order as well, so each row's rowid is below the one before it.
    for (const char* order : {"ASC", "DESC"}) {
        RowStore store;
        std::vector<std::string_view> pages; // as each is complete, for another thread to read meanwhile
        store.setPageSink([&](std::string_view page) { pages.push_back(page); });
        addAll(store, db.cn(), std::string("SELECT rowid, * FROM t ORDER BY rowid ") + order, 3);
        store.shrinkToFit();
        store.setPageSink({});
        EXPECT_GE(pages.size(), 2u);
        const auto expected = db.rows(std::string("SELECT rowid, id, name, phone FROM t ORDER BY rowid ") + order);
        ASSERT_EQ(store.size(), expected.size());
        RowStore::Reader reader(store);
        std::vector<RowStore::Field> fields(3);
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const auto handle = static_cast<RowStore::Handle>(i);
            ASSERT_EQ(std::to_string(store.rowid(handle)), expected[i][0]) << order << " row " << i;
            for (int f = 0; f < 3; ++f)
                ASSERT_EQ(storedText(store.field(handle, f)), expected[i][static_cast<std::size_t>(f) + 1])
                    << order << " row " << i << " field " << f;
            ASSERT_TRUE(reader.next(fields));
            for (int f = 0; f < 3; ++f)
                ASSERT_EQ(storedText(fields[static_cast<std::size_t>(f)]), expected[i][static_cast<std::size_t>(f) + 1])
                    << order << " row " << i << " read through";
        }
        EXPECT_FALSE(reader.next(fields));
        // The pages, each read on its own, give the same rows in the same order.
        std::size_t i = 0;
        for (const std::string_view page : pages) {
            for (RowStore::PageReader rows(page, 3); rows.next(fields); ++i) {
                ASSERT_LT(i, expected.size());
                ASSERT_EQ(std::to_string(rows.rowid()), expected[i][0]) << order << " row " << i << " by pages";
                for (int f = 0; f < 3; ++f)
                    ASSERT_EQ(storedText(fields[static_cast<std::size_t>(f)]),
                              expected[i][static_cast<std::size_t>(f) + 1])
                        << order << " row " << i << " by pages";
            }
        }
        EXPECT_EQ(i, expected.size());
    }
}

// A store that shares another's rows: the base's rows as they were, then its own; rows the base gains later are not
// the sharer's, and a sharer of a sharer sees both levels.
TEST(RowStore, SharingStoreSeesTheRowsItWasGivenThenItsOwn) {
    TestDatabase db;
    db.exec("CREATE TABLE t (v); WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 40) "
            "INSERT INTO t SELECT 'base ' || i FROM n");
    const auto read = [&](const RowStore& store) {
        std::vector<std::string> values;
        std::vector<RowStore::Field> field(1);
        for (RowStore::Reader reader(store); reader.next(field);)
            values.push_back(RowStore::text(field[0]));
        for (std::size_t i = 0; i < store.size(); ++i)
            EXPECT_EQ(RowStore::text(store.field(static_cast<RowStore::Handle>(i), 0)), values.at(i));
        return values;
    };
    auto base = std::make_shared<RowStore>();
    addAll(*base, db.cn(), "SELECT rowid, * FROM t WHERE rowid <= 21", 1);
    RowStore sharer(base);
    addAll(*base, db.cn(), "SELECT rowid, * FROM t WHERE rowid BETWEEN 22 AND 30", 1); // after the sharing
    auto middle = std::make_shared<RowStore>(base);
    addAll(sharer, db.cn(), "SELECT rowid, * FROM t WHERE rowid > 30", 1);
    addAll(*middle, db.cn(), "SELECT rowid, * FROM t WHERE rowid > 35", 1);
    RowStore top(middle);
    addAll(top, db.cn(), "SELECT rowid, * FROM t WHERE rowid = 1", 1);

    const auto range = [](int from, int to) {
        std::vector<std::string> values;
        for (int i = from; i <= to; ++i)
            values.push_back("base " + std::to_string(i));
        return values;
    };
    const auto joined = [](std::vector<std::string> a, const std::vector<std::string>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    EXPECT_EQ(read(*base), range(1, 30));
    EXPECT_EQ(read(sharer), joined(range(1, 21), range(31, 40)));
    EXPECT_EQ(read(*middle), joined(range(1, 30), range(36, 40)));
    EXPECT_EQ(read(top), joined(joined(range(1, 30), range(36, 40)), range(1, 1)));
    EXPECT_EQ(sharer.rowid(21), 31);
    EXPECT_EQ(top.rowid(35), 1);
}

} // namespace
