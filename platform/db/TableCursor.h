#pragma once

#include "platform/db/Listeners.h"
#include "platform/db/RowStore.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace db {

class Connection;
class Statement;

// A table cursor: opening reads the whole table into a client-side snapshot that stands on its first row.
// Changes made elsewhere show only after a re-query or a reopening. Moves, appends and re-queries first settle
// a pending row: posted when a field was changed, dropped otherwise.
// An update or delete touches exactly the row that the snapshot read: the one with its rowid (so one of two
// identical rows stays) and still with the values as read, each of the same type. SQLite gives a freed rowid to
// the next new row, so when another program has deleted or changed the row meanwhile, nothing is written and the
// change fails with kRowNotLocated. The snapshot then keeps the row as read; a pending change of it is dropped,
// since it could never be written to that row (a move would otherwise fail on it again and again).
// With a hook on the connection (RowWriteHook), every post and delete is one transaction holding the row and what
// the hook writes beside it; when either fails, neither stays and the snapshot is as before.
class TableCursor {
public:
    enum class State { Inactive, Browse, Edit, Insert };
    static constexpr const char* kRowNotLocated =
        "Row cannot be located for updating. Some values may have been changed since it was last read.";

    explicit TableCursor(std::string name = {});
    ~TableCursor();
    TableCursor(const TableCursor&) = delete;
    TableCursor& operator=(const TableCursor&) = delete;

    const std::string& name() const { return m_name; }
    void setConnection(Connection* connection) { m_connection = connection; }
    Connection* connection() const { return m_connection; }
    void setTableName(std::string table) { m_table = std::move(table); }

    void open();
    // Opens on the rows `source` holds now instead of reading the table, sharing them rather than copying them (its
    // positions and orders too): for a table known not to have changed since `source` read it. Either cursor may
    // go on as if it had read the table itself.
    void openAsCopyOf(const TableCursor& source);
    void close();
    // Told the number of rows read so far, every 65,536 rows, while open() or requery() reads the table: a long read
    // can show how far it has got.
    void setReadProgress(std::function<void(std::size_t rows)> progress) { m_readProgress = std::move(progress); }
    // Follows the next open() or requery() while it reads the table: told of each page of rows once it is complete
    // (RowStore::PageSink), then once the read ends. The pages stay as they are while the cursor keeps those rows;
    // when the read fails, they go as soon as readEnded(false) returns.
    class ReadWatcher {
    public:
        virtual ~ReadWatcher() = default;
        virtual void pageRead(std::string_view page, int fieldCount) = 0;
        virtual void readEnded(bool complete) = 0;
    };
    void watchNextRead(ReadWatcher* watcher) { m_readWatcher = watcher; }
    bool active() const { return m_state != State::Inactive; }
    // Throws the closed-dataset error when the cursor is not open.
    void checkActive() const;
    State state() const { return m_state; }
    bool modified() const { return m_modified; }
    void requery();

    void first();
    void prior();
    void next();
    void last();
    // Stands on the row at this index of the cursor's order (a grid click).
    void moveTo(std::size_t index);
    bool eof() const;
    bool bof() const;
    std::size_t recordCount() const;
    // Index of the current row; recordCount() while a new row is pending.
    std::size_t position() const;

    // Searches in ascending order of the field, whatever the cursor's order, and stands on the first match:
    // equality for an integer field, "begins with" for a text field with partialKey. Stays put when nothing matches.
    bool locate(const std::string& field, const std::string& value, bool partialKey);
    // The rank (0-based) in ascending order of the field of the first row whose value equals this one; none when no
    // row holds it. The cursor stays where it is.
    std::optional<std::size_t> rankOf(int field, const std::string& value) const;
    // The key of the current row, by which the database addresses it (SQLite's rowid): what a winner's record in
    // another table refers to.
    std::int64_t rowKey() const;
    // The key of the row at this index of the cursor's order; none past the rows read (a new row not yet posted).
    std::optional<std::int64_t> rowKeyAt(std::size_t row) const;
    // Stands on the row of rank k (0-based) in ascending order of the field; k must be below recordCount().
    void moveToRank(int field, std::size_t k);
    // The position in the cursor's order of the row of rank k (0-based) in ascending order of the field.
    std::size_t positionOfRank(int field, std::size_t k) const;
    // Builds the ordering that locate() and moveToRank() use, so the first use does not pause.
    void prepareOrder(int field) const;

    void append();
    void edit();
    void post();
    void cancel();
    void remove();
    // Writes one field of the current row to the database at once, as post() would, whatever is pending: a change
    // being typed into the row's other fields stays pending (a setting stored beside one the user is still typing).
    void storeField(int index, const std::string& text);

    int fieldCount() const { return static_cast<int>(m_fieldNames.size()); }
    const std::string& fieldName(int index) const;
    int fieldIndex(const std::string& name) const;

    std::string fieldText(int index) const;
    std::string fieldText(const std::string& name) const { return fieldText(fieldIndex(name)); }
    std::int64_t fieldInt(int index) const;
    std::int64_t fieldInt(const std::string& name) const { return fieldInt(fieldIndex(name)); }
    void setFieldText(int index, const std::string& text);
    void setFieldText(const std::string& name, const std::string& text) { setFieldText(fieldIndex(name), text); }

    // Random access for grids: row index in the cursor's order, the pending new row at recordCount().
    std::size_t displayCount() const;
    std::string cellText(std::size_t row, int field) const;

    void addListener(CursorListener* listener) { m_listeners.add(listener); }
    void removeListener(CursorListener* listener) { m_listeners.remove(listener); }

    std::size_t snapshotBytes() const;

    // The snapshot's rows, and their handles in ascending order of one field: for reading the snapshot on another
    // thread (the participants' fingerprint) while nothing changes the cursor.
    const RowStore& store() const { return *m_store; }
    std::vector<RowStore::Handle> rowsInOrderOf(int field) const;
    // Calls visit(rank, text) with the text of `field` (as cellText() gives it) of every row, in ascending order of
    // `orderField`: one pass through the snapshot where its order allows, however long it is.
    void forEachTextInOrderOf(int orderField, int field,
                              const std::function<void(std::size_t rank, std::string_view text)>& visit) const;
    // Whether ascending order of the field is the order the store holds every row in, none left out: the store can
    // then be read through from its start (RowStore::Reader) instead of row by row through rowsInOrderOf().
    bool storeIsInOrderOf(int field) const;

private:
    [[noreturn]] void fail(const std::string& message) const;
    void checkBrowseMode();
    void checkEditing() const;
    // A typed text as the field stores it: an integer field takes a whole number or nothing.
    std::optional<std::string> typedValue(int index, const std::string& text) const;
    void readFields();
    void load();
    // The state just after opening: browsing, on the first row.
    void opened();
    std::optional<std::string> storedValue(RowStore::Handle handle, int field) const;
    std::vector<std::optional<std::string>> valuesOf(RowStore::Handle handle) const;
    void postInsert();
    void postEdit();
    RowStore::Handle readBack(std::int64_t rowid);
    // " WHERE rowid=?N AND ..." naming the row that `handle` holds, with its values, from parameter `first` on.
    std::string whereRowAsRead(int first) const;
    void bindRowAsRead(Statement& statement, int first, RowStore::Handle handle) const;
    // The rows in ascending order of one field, as positions in the cursor's order. Where the cursor's order is
    // already that order (IDs typed or imported in sequence) no positions are kept: rank k is position k.
    struct Order {
        bool built = false;
        bool cursorOrder = false;
        std::vector<std::uint32_t> positions;
        std::size_t at(std::size_t rank) const { return cursorOrder ? rank : positions[rank]; }
    };
    const Order& orderOf(int field) const;
    // The first rank whose value equals the text (begins with it: partialKey on a text field).
    std::optional<std::size_t> firstRankOf(int field, const std::string& value, bool partialKey) const;
    // Calls visit(position, value) with the field's value of every row in the cursor's order, until it returns false.
    template <typename Visit> void forEachValue(int field, Visit visit) const;
    void setCurrent(std::size_t index);
    void invalidateOrders();

    std::string m_name;
    std::string m_table;
    Connection* m_connection = nullptr;
    State m_state = State::Inactive;

    std::vector<std::string> m_fieldNames;
    std::vector<bool> m_integerFields;
    std::shared_ptr<RowStore> m_store = std::make_shared<RowStore>(); // shared by a cursor opened as its copy
    std::function<void(std::size_t)> m_readProgress;
    ReadWatcher* m_readWatcher = nullptr;
    // The cursor's rows in its order, as handles into the store. As read, that is the store's own order and nothing is
    // kept (4 bytes a row less); the first row changed or deleted makes it a list.
    class RowList {
    public:
        void assignStoreOrder(std::size_t count);
        void assignList(std::vector<RowStore::Handle> handles);
        std::size_t size() const { return m_storeOrder ? m_count : m_list.size(); }
        bool empty() const { return size() == 0; }
        RowStore::Handle operator[](std::size_t i) const {
            return m_storeOrder ? static_cast<RowStore::Handle>(i) : m_list[i];
        }
        bool storeOrder() const { return m_storeOrder; }
        void set(std::size_t i, RowStore::Handle handle);
        void push_back(RowStore::Handle handle);
        void erase(std::size_t i);
        std::size_t bytes() const { return m_list.capacity() * sizeof(RowStore::Handle); }

    private:
        void makeList();
        bool m_storeOrder = true;
        std::size_t m_count = 0;
        std::vector<RowStore::Handle> m_list;
    };
    RowList m_rows;
    std::size_t m_current = 0;
    bool m_eof = true;
    bool m_bof = true;

    // The pending new or changed row.
    std::vector<std::optional<std::string>> m_buffer;
    bool m_modified = false;
    std::size_t m_beforeInsert = 0;

    mutable std::vector<Order> m_orders; // per field, built on first use
    Listeners m_listeners;
};

} // namespace db
