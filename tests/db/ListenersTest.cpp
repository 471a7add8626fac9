// How a cursor's and a data source's listeners are told: in order, and never a listener that was removed while the
// others were being told (a control may close, and go, on hearing of a change).
#include "platform/db/DataLink.h"
#include "platform/db/DataSource.h"
#include "platform/db/TableCursor.h"
#include "tests/support/TestDatabase.h"

#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace {

struct Recorder : db::CursorListener {
    Recorder(std::string name, std::string& log) : name(std::move(name)), log(log) {}
    void cursorReset() override {
        log += name + " ";
        if (onReset) onReset();
    }
    std::string name;
    std::string& log;
    std::function<void()> onReset;
};

TEST(Listeners, ToldInOrderAndNotAfterRemoval) {
    std::string log;
    Recorder first("first", log);
    auto second = std::make_unique<Recorder>("second", log);
    Recorder third("third", log);
    Recorder late("late", log);
    // The listeners outlive the source, as bound controls let go of theirs when they go.
    TestDatabase db;
    db::TableCursor cursor("ADOTable1");
    cursor.setConnection(&db.cn());
    cursor.setTableName("tb_pemenang");
    db::DataSource source(&cursor);
    for (Recorder* r : {&first, second.get(), &third})
        source.addListener(r);
    // The first listener lets the second go, as a control closing on a reset would, and brings in another.
    first.onReset = [&] {
        source.removeListener(second.get());
        second.reset();
        source.addListener(&late);
        first.onReset = nullptr;
    };
    cursor.open();
    EXPECT_EQ(log, "first third ");
    log.clear();
    cursor.close();
    EXPECT_EQ(log, "first third late ");
}

struct Linked : db::DataLink {
    void cursorReset() override { ++resets; }
    int resets = 0;
};

TEST(DataLink, HearsOnlyTheSourceLinkedLast) {
    db::DataSource first;
    db::DataSource second;
    Linked control;
    control.link(&first);
    control.link(&second);
    first.setDataSet(nullptr);
    EXPECT_EQ(control.resets, 0);
    second.setDataSet(nullptr);
    EXPECT_EQ(control.resets, 1);
    control.link(nullptr);
    second.setDataSet(nullptr);
    EXPECT_EQ(control.resets, 1);
}

TEST(DataLink, EitherSideMayGoFirst) {
    auto control = std::make_unique<Linked>();
    {
        db::DataSource source;
        control->link(&source);
    }
    EXPECT_EQ(control->dataSet(), nullptr);
    db::DataSource source;
    control->link(&source);
    control.reset();
    source.setDataSet(nullptr); // tells no control that is gone
}

} // namespace
