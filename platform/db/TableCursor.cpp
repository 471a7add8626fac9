#include "platform/db/TableCursor.h"

#include "platform/Error.h"
#include "platform/db/Connection.h"
#include "platform/db/CursorListener.h"
#include "platform/db/RowWriteHook.h"
#include "platform/db/Statement.h"
#include "platform/text/Integer.h"
#include "platform/text/Quote.h"

#include <algorithm>
#include <cctype>
#include <numeric>
#include <utility>

namespace db {

namespace {

// SQLite's order of values: nulls, then numbers, then texts, then blobs, texts and blobs by their bytes.
int rank(RowStore::Kind kind) {
    switch (kind) {
    case RowStore::Kind::Null:
        return 0;
    case RowStore::Kind::Integer:
    case RowStore::Kind::Real:
        return 1;
    case RowStore::Kind::Text:
        return 2;
    case RowStore::Kind::Blob:
        return 3;
    }
    return 0;
}

int compare(const RowStore::Field& a, const RowStore::Field& b) {
    const int ra = rank(a.kind), rb = rank(b.kind);
    if (ra != rb) return ra < rb ? -1 : 1;
    if (ra == 1) {
        if (a.kind == RowStore::Kind::Integer && b.kind == RowStore::Kind::Integer)
            return a.integer < b.integer ? -1 : (a.integer > b.integer ? 1 : 0);
        const double x = a.kind == RowStore::Kind::Integer ? static_cast<double>(a.integer) : a.real;
        const double y = b.kind == RowStore::Kind::Integer ? static_cast<double>(b.integer) : b.real;
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    if (ra >= 2) {
        std::string roomA, roomB;
        const int c = RowStore::textOf(a, roomA).compare(RowStore::textOf(b, roomB));
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    return 0;
}

// Binds a value as the snapshot holds it, of the same type, so that the database compares like with like.
void bindStored(Statement& statement, int index, const RowStore::Field& value) {
    switch (value.kind) {
    case RowStore::Kind::Null:
        statement.bindNull(index);
        break;
    case RowStore::Kind::Integer:
        statement.bindInt(index, value.integer);
        break;
    case RowStore::Kind::Real:
        statement.bindReal(index, value.real);
        break;
    case RowStore::Kind::Text: {
        std::string room;
        statement.bindText(index, RowStore::textOf(value, room));
        break;
    }
    case RowStore::Kind::Blob:
        statement.bindBlob(index, value.text);
        break;
    }
}

// A row write with the connection's hook around it: the hook's beforeWrite(), then one transaction holding the
// write and what the hook adds. Without a hook the write is one statement, as before.
class HookedWrite {
public:
    explicit HookedWrite(Connection& connection) : m_hook(connection.rowWriteHook()) {
        if (!m_hook) return;
        m_hook->beforeWrite();
        m_transaction.emplace(connection);
    }
    // Hands the write to the hook and commits; an exception leaves the transaction to roll back.
    void done(const RowWrite& write) {
        if (!m_hook) return;
        m_hook->rowWritten(write);
        m_transaction->commit();
    }

private:
    RowWriteHook* m_hook;
    std::optional<Transaction> m_transaction;
};

} // namespace

void TableCursor::RowList::assignStoreOrder(std::size_t count) {
    m_storeOrder = true;
    m_count = count;
    m_list.clear();
    m_list.shrink_to_fit();
}

void TableCursor::RowList::assignList(std::vector<RowStore::Handle> handles) {
    m_storeOrder = false;
    m_count = 0;
    m_list = std::move(handles);
}

void TableCursor::RowList::makeList() {
    if (!m_storeOrder) return;
    m_list.resize(m_count);
    std::iota(m_list.begin(), m_list.end(), RowStore::Handle{0});
    m_storeOrder = false;
}

void TableCursor::RowList::set(std::size_t i, RowStore::Handle handle) {
    makeList();
    m_list[i] = handle;
}

void TableCursor::RowList::push_back(RowStore::Handle handle) {
    // A row added at the end of the store, at the end of the cursor: still the store's order.
    if (m_storeOrder && handle == m_count) {
        ++m_count;
        return;
    }
    makeList();
    m_list.push_back(handle);
}

void TableCursor::RowList::erase(std::size_t i) {
    makeList();
    m_list.erase(m_list.begin() + static_cast<std::ptrdiff_t>(i));
}

TableCursor::TableCursor(std::string name) : m_name(std::move(name)) {}

TableCursor::~TableCursor() = default;

void TableCursor::fail(const std::string& message) const {
    throw platform::Error(m_name.empty() ? message : m_name + ": " + message);
}

void TableCursor::checkActive() const {
    if (m_state == State::Inactive) fail("Cannot perform this operation on a closed dataset");
}

void TableCursor::checkEditing() const {
    checkActive();
    if (m_state != State::Edit && m_state != State::Insert) fail("Dataset not in edit or insert mode");
}

void TableCursor::checkBrowseMode() {
    checkActive();
    if (m_state == State::Edit || m_state == State::Insert) {
        m_listeners.notify(&CursorListener::updateRecord);
        if (m_modified)
            post();
        else
            cancel();
    }
}

void TableCursor::readFields() {
    if (!m_connection) fail("Missing Connection or ConnectionString");
    m_fieldNames.clear();
    m_integerFields.clear();
    for (Connection::Column& column : m_connection->columns(m_table)) {
        m_fieldNames.push_back(std::move(column.name));
        std::string type = std::move(column.type);
        std::transform(type.begin(), type.end(), type.begin(), [](unsigned char c) { return std::toupper(c); });
        m_integerFields.push_back(type.find("INT") != std::string::npos);
    }
    if (m_fieldNames.empty()) throw platform::Error("no such table: " + m_table);
}

void TableCursor::load() {
    ReadWatcher* const watcher = std::exchange(m_readWatcher, nullptr);
    auto store = std::make_shared<RowStore>();
    // Declared after the store: a failed read tells the watcher before the pages go.
    struct Ending {
        ReadWatcher* watcher;
        bool complete = false;
        ~Ending() {
            if (watcher) watcher->readEnded(complete);
        }
    } ending{watcher};
    if (!m_connection) fail("Missing Connection or ConnectionString");
    // The fields, the size and the rows as of one moment; a server sends the rows in batches.
    ReadTransaction reading(*m_connection);
    readFields();
    Statement select(*m_connection, "SELECT rowid, * FROM " + quotedIdentifier(m_table));
    select.readThrough();
    const int fields = fieldCount();
    if (watcher) store->setPageSink([watcher, fields](std::string_view page) { watcher->pageRead(page, fields); });
    constexpr std::size_t kProgressEvery = 1 << 16;
    while (select.step()) {
        store->addFromStatement(select, fields);
        if (m_readProgress && store->size() % kProgressEvery == 0) m_readProgress(store->size());
    }
    store->shrinkToFit();
    store->setPageSink({});
    ending.complete = true;
    // A file gives its rows in rowid order. A server gives them as they lie in its pages, which it fills again where
    // rows were deleted: sorting here costs less than having it sort them. Rows in order keep no list of handles.
    std::vector<RowStore::Handle> sorted;
    if (m_connection->isServer()) {
        std::vector<std::pair<std::int64_t, RowStore::Handle>> keys;
        keys.reserve(store->size());
        RowStore::Reader reader(*store);
        while (reader.next({}))
            keys.emplace_back(reader.rowid(), static_cast<RowStore::Handle>(keys.size()));
        if (!std::is_sorted(keys.begin(), keys.end())) {
            std::sort(keys.begin(), keys.end());
            sorted.reserve(keys.size());
            for (const auto& key : keys)
                sorted.push_back(key.second);
        }
    }
    m_store = std::move(store);
    if (sorted.empty())
        m_rows.assignStoreOrder(m_store->size());
    else
        m_rows.assignList(std::move(sorted));
    invalidateOrders();
}

void TableCursor::openAsCopyOf(const TableCursor& source) {
    source.checkActive();
    if (active()) return;
    m_connection = source.m_connection;
    m_table = source.m_table;
    m_fieldNames = source.m_fieldNames;
    m_integerFields = source.m_integerFields;
    m_store = std::make_shared<RowStore>(source.m_store);
    m_rows = source.m_rows;
    m_orders = source.m_orders;
    opened();
}

void TableCursor::open() {
    if (active()) return;
    load();
    opened();
}

void TableCursor::opened() {
    m_state = State::Browse;
    m_buffer.clear();
    m_modified = false;
    m_current = 0;
    m_bof = true;
    m_eof = m_rows.empty();
    m_listeners.notify(&CursorListener::cursorReset);
}

void TableCursor::close() {
    if (!active()) return;
    m_state = State::Inactive;
    m_buffer.clear();
    m_modified = false;
    m_store = std::make_shared<RowStore>();
    m_rows.assignStoreOrder(0);
    invalidateOrders();
    m_current = 0;
    m_eof = m_bof = true;
    m_listeners.notify(&CursorListener::cursorReset);
}

void TableCursor::requery() {
    checkBrowseMode();
    load();
    m_current = 0;
    m_bof = true;
    m_eof = m_rows.empty();
    m_listeners.notify(&CursorListener::cursorReset);
}

void TableCursor::setCurrent(std::size_t index) {
    m_current = index;
    m_listeners.notify(&CursorListener::currentChanged);
}

void TableCursor::first() {
    checkBrowseMode();
    m_bof = true;
    m_eof = m_rows.empty();
    setCurrent(0);
}

void TableCursor::last() {
    checkBrowseMode();
    m_eof = true;
    m_bof = m_rows.empty();
    setCurrent(m_rows.empty() ? 0 : m_rows.size() - 1);
}

void TableCursor::next() {
    checkBrowseMode();
    m_bof = false;
    if (m_rows.empty() || m_current + 1 >= m_rows.size()) {
        m_eof = true;
        m_listeners.notify(&CursorListener::currentChanged);
        return;
    }
    m_eof = false;
    setCurrent(m_current + 1);
}

void TableCursor::prior() {
    checkBrowseMode();
    m_eof = m_rows.empty();
    if (m_current == 0) {
        m_bof = true;
        m_listeners.notify(&CursorListener::currentChanged);
        return;
    }
    m_bof = false;
    m_eof = false;
    setCurrent(m_current - 1);
}

void TableCursor::moveTo(std::size_t index) {
    checkBrowseMode();
    if (m_rows.empty()) return;
    index = std::min(index, m_rows.size() - 1);
    m_bof = m_eof = false;
    setCurrent(index);
}

bool TableCursor::eof() const {
    checkActive();
    return m_eof;
}

bool TableCursor::bof() const {
    checkActive();
    return m_bof;
}

std::size_t TableCursor::recordCount() const {
    checkActive();
    return m_rows.size();
}

std::size_t TableCursor::position() const {
    checkActive();
    return m_state == State::Insert ? m_rows.size() : m_current;
}

void TableCursor::invalidateOrders() {
    m_orders.clear();
}

template <typename Visit> void TableCursor::forEachValue(int field, Visit visit) const {
    if (m_rows.storeOrder()) {
        // Read straight through the store: no row is looked for.
        std::vector<RowStore::Field> values(static_cast<std::size_t>(field) + 1);
        RowStore::Reader reader(*m_store);
        for (std::size_t i = 0; i < m_rows.size() && reader.next(values); ++i)
            if (!visit(i, values.back())) return;
        return;
    }
    for (std::size_t i = 0; i < m_rows.size(); ++i)
        if (!visit(i, m_store->field(m_rows[i], field))) return;
}

const TableCursor::Order& TableCursor::orderOf(int field) const {
    if (m_orders.size() < m_fieldNames.size()) m_orders.resize(m_fieldNames.size());
    Order& order = m_orders[static_cast<std::size_t>(field)];
    if (order.built) return order;
    order.positions.clear();
    // Rows typed in or read in the field's order need no positions: one pass tells, keeping nothing.
    bool sorted = true;
    std::optional<RowStore::Field> previous;
    forEachValue(field, [&](std::size_t, const RowStore::Field& value) {
        if (previous && compare(*previous, value) > 0) sorted = false;
        previous = value;
        return sorted;
    });
    order.built = true;
    order.cursorOrder = sorted;
    if (sorted) return order;
    // Extract the keys once, so sorting a million rows does not decode rows in every comparison.
    if (m_integerFields[static_cast<std::size_t>(field)]) {
        std::vector<std::pair<std::int64_t, std::uint32_t>> keys;
        keys.reserve(m_rows.size());
        bool allIntegers = true;
        forEachValue(field, [&](std::size_t i, const RowStore::Field& value) {
            allIntegers = value.kind == RowStore::Kind::Integer;
            keys.emplace_back(value.integer, static_cast<std::uint32_t>(i));
            return allIntegers;
        });
        if (allIntegers) {
            std::sort(keys.begin(), keys.end());
            order.positions.resize(keys.size());
            for (std::size_t i = 0; i < keys.size(); ++i)
                order.positions[i] = keys[i].second;
            return order;
        }
    }
    std::vector<RowStore::Field> values(m_rows.size());
    forEachValue(field, [&](std::size_t i, const RowStore::Field& value) {
        values[i] = value;
        return true;
    });
    order.positions.resize(m_rows.size());
    std::iota(order.positions.begin(), order.positions.end(), 0u);
    std::stable_sort(order.positions.begin(), order.positions.end(),
                     [&](std::uint32_t a, std::uint32_t b) { return compare(values[a], values[b]) < 0; });
    return order;
}

void TableCursor::prepareOrder(int field) const {
    checkActive();
    orderOf(field);
}

std::optional<std::size_t> TableCursor::firstRankOf(int field, const std::string& value, bool partialKey) const {
    const auto& order = orderOf(field);
    RowStore::Field probe;
    if (m_integerFields[static_cast<std::size_t>(field)]) {
        const auto number = text::parseInteger(value);
        if (!number) return std::nullopt;
        probe.kind = RowStore::Kind::Integer;
        probe.integer = *number;
    } else {
        probe.kind = RowStore::Kind::Text;
        probe.text = value;
    }
    // The first rank whose value is not below the probe.
    std::size_t low = 0, high = m_rows.size();
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        if (compare(m_store->field(m_rows[order.at(middle)], field), probe) < 0)
            low = middle + 1;
        else
            high = middle;
    }
    if (low == m_rows.size()) return std::nullopt;
    const auto candidate = m_store->field(m_rows[order.at(low)], field);
    std::string room;
    const bool match = probe.kind == RowStore::Kind::Text && candidate.kind == RowStore::Kind::Text && partialKey
                           ? RowStore::textOf(candidate, room).substr(0, probe.text.size()) == probe.text
                           : compare(candidate, probe) == 0;
    if (!match) return std::nullopt;
    return low;
}

bool TableCursor::locate(const std::string& fieldName, const std::string& value, bool partialKey) {
    checkBrowseMode();
    try {
        const int field = fieldIndex(fieldName);
        const auto rank = firstRankOf(field, value, partialKey);
        if (!rank) return false;
        m_bof = m_eof = false;
        setCurrent(orderOf(field).at(*rank));
        return true;
    } catch (const platform::Error&) {
        return false; // an error inside the search counts as no match
    }
}

std::optional<std::size_t> TableCursor::rankOf(int field, const std::string& value) const {
    checkActive();
    fieldName(field);
    return firstRankOf(field, value, false);
}

std::int64_t TableCursor::rowKey() const {
    checkActive();
    if (m_state == State::Insert || m_rows.empty() || m_current >= m_rows.size())
        fail("Cannot perform this operation on an empty dataset");
    return m_store->rowid(m_rows[m_current]);
}

std::optional<std::int64_t> TableCursor::rowKeyAt(std::size_t row) const {
    if (!active() || row >= m_rows.size()) return std::nullopt;
    return m_store->rowid(m_rows[row]);
}

std::vector<RowStore::Handle> TableCursor::rowsInOrderOf(int field) const {
    checkActive();
    const Order& order = orderOf(field);
    std::vector<RowStore::Handle> handles(m_rows.size());
    for (std::size_t rank = 0; rank < m_rows.size(); ++rank)
        handles[rank] = m_rows[order.at(rank)];
    return handles;
}

void TableCursor::forEachTextInOrderOf(int orderField, int field,
                                       const std::function<void(std::size_t, std::string_view)>& visit) const {
    checkActive();
    std::string room;
    const auto textOf = [&](const RowStore::Field& value) -> std::string_view {
        if (value.kind == RowStore::Kind::Text || value.kind == RowStore::Kind::Blob)
            return RowStore::textOf(value, room);
        room = RowStore::text(value);
        return room;
    };
    if (storeIsInOrderOf(orderField)) {
        std::vector<RowStore::Field> values(static_cast<std::size_t>(field) + 1);
        RowStore::Reader reader(*m_store);
        for (std::size_t rank = 0; reader.next(values); ++rank)
            visit(rank, textOf(values.back()));
        return;
    }
    const Order& order = orderOf(orderField);
    for (std::size_t rank = 0; rank < m_rows.size(); ++rank)
        visit(rank, textOf(m_store->field(m_rows[order.at(rank)], field)));
}

bool TableCursor::storeIsInOrderOf(int field) const {
    checkActive();
    return m_rows.storeOrder() && m_rows.size() == m_store->size() && orderOf(field).cursorOrder;
}

void TableCursor::moveToRank(int field, std::size_t k) {
    checkBrowseMode();
    if (k >= m_rows.size()) return;
    const Order& order = orderOf(field);
    m_bof = m_eof = false;
    m_current = order.at(k);
    m_listeners.notify(&CursorListener::currentChanged);
}

std::size_t TableCursor::positionOfRank(int field, std::size_t k) const {
    checkActive();
    if (k >= m_rows.size()) fail("Rank out of range");
    return orderOf(field).at(k);
}

void TableCursor::append() {
    checkBrowseMode();
    m_beforeInsert = m_current;
    m_buffer.assign(m_fieldNames.size(), std::nullopt);
    m_modified = false;
    m_state = State::Insert;
    m_eof = false;
    m_listeners.notify(&CursorListener::cursorReset);
    m_listeners.notify(&CursorListener::currentChanged);
}

void TableCursor::edit() {
    checkActive();
    if (m_state == State::Edit || m_state == State::Insert) return;
    if (m_rows.empty()) {
        append(); // editing an empty table starts a new row
        return;
    }
    m_buffer.resize(m_fieldNames.size());
    for (int i = 0; i < fieldCount(); ++i)
        m_buffer[static_cast<std::size_t>(i)] = storedValue(m_rows[m_current], i);
    m_modified = false;
    m_state = State::Edit;
    m_listeners.notify(&CursorListener::currentChanged);
}

std::vector<std::optional<std::string>> TableCursor::valuesOf(RowStore::Handle handle) const {
    std::vector<std::optional<std::string>> values;
    for (int i = 0; i < fieldCount(); ++i)
        values.push_back(storedValue(handle, i));
    return values;
}

std::optional<std::string> TableCursor::storedValue(RowStore::Handle handle, int field) const {
    const auto value = m_store->field(handle, field);
    if (value.kind == RowStore::Kind::Null) return std::nullopt;
    return RowStore::text(value);
}

void TableCursor::post() {
    checkActive();
    if (m_state != State::Edit && m_state != State::Insert) return;
    m_listeners.notify(&CursorListener::updateRecord);
    const bool inserting = m_state == State::Insert;
    if (inserting)
        postInsert();
    else
        postEdit();
    m_state = State::Browse;
    m_buffer.clear();
    m_modified = false;
    m_bof = m_eof = false;
    invalidateOrders();
    if (inserting) m_listeners.notify(&CursorListener::cursorReset);
    m_listeners.notify(&CursorListener::rowChanged, m_current);
    m_listeners.notify(&CursorListener::currentChanged);
}

void TableCursor::postInsert() {
    const int fields = fieldCount();
    std::string sql = "INSERT INTO " + quotedIdentifier(m_table) + " VALUES(";
    for (int i = 0; i < fields; ++i)
        sql += i ? ",?" : "?";
    sql += ")";
    HookedWrite write(*m_connection);
    Statement insert(*m_connection, sql);
    for (int i = 0; i < fields; ++i)
        insert.bind(i + 1, m_buffer[static_cast<std::size_t>(i)]);
    insert.step();
    const std::int64_t rowid = m_connection->lastInsertRowid();
    const RowStore::Handle stored = readBack(rowid);
    write.done({RowWrite::Kind::Insert, m_table, rowid, {}, valuesOf(stored), m_fieldNames});
    m_rows.push_back(stored);
    m_current = m_rows.size() - 1;
}

void TableCursor::postEdit() {
    const int fields = fieldCount();
    const RowStore::Handle asRead = m_rows[m_current];
    std::string sql = "UPDATE " + quotedIdentifier(m_table) + " SET ";
    for (int i = 0; i < fields; ++i)
        sql +=
            (i ? "," : "") + quotedIdentifier(m_fieldNames[static_cast<std::size_t>(i)]) + "=?" + std::to_string(i + 1);
    sql += whereRowAsRead(fields + 1) + " RETURNING rowid";
    HookedWrite write(*m_connection);
    Statement update(*m_connection, sql);
    for (int i = 0; i < fields; ++i) {
        const auto& typed = m_buffer[static_cast<std::size_t>(i)];
        // A field left as it was keeps its value and type; only what was typed goes in as text.
        if (typed == storedValue(asRead, i))
            bindStored(update, i + 1, m_store->field(asRead, i));
        else
            update.bind(i + 1, typed);
    }
    bindRowAsRead(update, fields + 1, asRead);
    if (!update.step()) {
        // Gone or changed elsewhere: nothing was written. What was typed cannot go to that row, so it is dropped
        // and the row shows as read; a re-query shows it as it is now.
        m_state = State::Browse;
        m_buffer.clear();
        m_modified = false;
        m_listeners.notify(&CursorListener::rowChanged, m_current);
        m_listeners.notify(&CursorListener::currentChanged);
        throw platform::Error(kRowNotLocated);
    }
    const std::int64_t rowid = update.columnInt(0);
    while (update.step()) {
    }
    const RowStore::Handle stored = readBack(rowid);
    write.done({RowWrite::Kind::Update, m_table, rowid, valuesOf(asRead), valuesOf(stored), m_fieldNames});
    m_rows.set(m_current, stored);
}

RowStore::Handle TableCursor::readBack(std::int64_t rowid) {
    // The snapshot holds the row as a re-query would read it: the column's type applied to what was typed. (A
    // RETURNING clause would give a whole number in a REAL column as an integer, as it lies on disk.)
    Statement select(*m_connection, "SELECT rowid, * FROM " + quotedIdentifier(m_table) + " WHERE rowid=?");
    select.bindInt(1, rowid);
    if (!select.step()) throw platform::Error(kRowNotLocated);
    return m_store->addFromStatement(select, fieldCount());
}

std::string TableCursor::whereRowAsRead(int first) const {
    // The unary plus takes the column's type conversion off the comparison: an integer 5 does not match a text
    // '5', nor a text 'abc' one that the column's collation would call equal. typeof() tells an integer 5 from
    // a real 5.0. The rowid comes first and alone is indexed, so the row is found in O(log n).
    std::string where = " WHERE rowid=?" + std::to_string(first);
    if (m_connection->isServer()) {
        // A server's columns hold one type each and compare text byte by byte ("C"): IS alone says the same.
        for (int i = 0; i < fieldCount(); ++i)
            where += " AND " + quotedIdentifier(m_fieldNames[static_cast<std::size_t>(i)]) + " IS ?" +
                     std::to_string(first + 1 + i);
        return where;
    }
    for (int i = 0; i < fieldCount(); ++i) {
        const std::string column = quotedIdentifier(m_fieldNames[static_cast<std::size_t>(i)]);
        const std::string parameter = "?" + std::to_string(first + 1 + i);
        where += " AND +" + column + " COLLATE BINARY IS " + parameter + " AND typeof(" + column + ")=typeof(" +
                 parameter + ")";
    }
    return where;
}

void TableCursor::bindRowAsRead(Statement& statement, int first, RowStore::Handle handle) const {
    statement.bindInt(first, m_store->rowid(handle));
    for (int i = 0; i < fieldCount(); ++i)
        bindStored(statement, first + 1 + i, m_store->field(handle, i));
}

void TableCursor::cancel() {
    checkActive();
    if (m_state != State::Edit && m_state != State::Insert) return;
    const bool inserting = m_state == State::Insert;
    m_state = State::Browse;
    m_buffer.clear();
    m_modified = false;
    if (inserting) {
        m_current = m_beforeInsert;
        m_eof = m_rows.empty();
        m_listeners.notify(&CursorListener::cursorReset);
    } else {
        m_listeners.notify(&CursorListener::rowChanged, m_current);
    }
    m_listeners.notify(&CursorListener::currentChanged);
}

void TableCursor::remove() {
    checkActive();
    if (m_state == State::Insert) {
        cancel();
        return;
    }
    if (m_rows.empty()) fail("Cannot perform this operation on an empty dataset");
    checkBrowseMode();
    const RowStore::Handle asRead = m_rows[m_current];
    HookedWrite write(*m_connection);
    Statement erase(*m_connection, "DELETE FROM " + quotedIdentifier(m_table) + whereRowAsRead(1) + " RETURNING rowid");
    bindRowAsRead(erase, 1, asRead);
    if (!erase.step()) throw platform::Error(kRowNotLocated); // the snapshot keeps the row as read
    while (erase.step()) {
    }
    write.done({RowWrite::Kind::Delete, m_table, m_store->rowid(asRead), valuesOf(asRead), {}, m_fieldNames});
    m_rows.erase(m_current);
    if (m_current >= m_rows.size() && m_current > 0) --m_current;
    m_bof = m_current == 0;
    m_eof = m_rows.empty();
    invalidateOrders();
    m_listeners.notify(&CursorListener::cursorReset);
    m_listeners.notify(&CursorListener::currentChanged);
}

const std::string& TableCursor::fieldName(int index) const {
    checkActive();
    if (index < 0 || index >= fieldCount()) fail("Field index out of range");
    return m_fieldNames[static_cast<std::size_t>(index)];
}

int TableCursor::fieldIndex(const std::string& name) const {
    checkActive();
    for (int i = 0; i < fieldCount(); ++i) {
        const auto& candidate = m_fieldNames[static_cast<std::size_t>(i)];
        if (candidate.size() == name.size() &&
            std::equal(candidate.begin(), candidate.end(), name.begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
            }))
            return i;
    }
    fail("Field '" + name + "' not found");
}

std::string TableCursor::fieldText(int index) const {
    fieldName(index);
    if (m_state == State::Edit || m_state == State::Insert)
        return m_buffer[static_cast<std::size_t>(index)].value_or(std::string());
    if (m_rows.empty()) return {};
    return RowStore::text(m_store->field(m_rows[m_current], index));
}

std::int64_t TableCursor::fieldInt(int index) const {
    const std::string text = fieldText(index);
    if (text.empty()) return 0;
    const auto value = text::parseInteger(text);
    if (!value) fail(text::quotedForMessage(text) + " is not a valid integer value");
    return *value;
}

std::optional<std::string> TableCursor::typedValue(int index, const std::string& text) const {
    if (!m_integerFields[static_cast<std::size_t>(index)]) return text;
    if (text.empty()) return std::nullopt;
    const auto number = text::parseInteger(text);
    if (!number)
        fail(text::quotedForMessage(text) + " is not a valid integer value for field '" + fieldName(index) + "'");
    return std::to_string(*number);
}

void TableCursor::setFieldText(int index, const std::string& text) {
    fieldName(index);
    checkEditing();
    m_buffer[static_cast<std::size_t>(index)] = typedValue(index, text);
    m_modified = true;
    m_listeners.notify(&CursorListener::rowChanged, position());
}

void TableCursor::storeField(int index, const std::string& text) {
    fieldName(index);
    if (m_state == State::Insert) fail("Cannot store a field while a new row is pending");
    if (m_rows.empty()) fail("Cannot perform this operation on an empty dataset");
    const std::optional<std::string> value = typedValue(index, text);
    const RowStore::Handle asRead = m_rows[m_current];
    HookedWrite write(*m_connection);
    Statement update(*m_connection, "UPDATE " + quotedIdentifier(m_table) + " SET " +
                                        quotedIdentifier(m_fieldNames[static_cast<std::size_t>(index)]) + "=?1" +
                                        whereRowAsRead(2) + " RETURNING rowid");
    update.bind(1, value);
    bindRowAsRead(update, 2, asRead);
    if (!update.step()) throw platform::Error(kRowNotLocated); // the snapshot keeps the row as read
    const std::int64_t rowid = update.columnInt(0);
    while (update.step()) {
    }
    const RowStore::Handle stored = readBack(rowid);
    write.done({RowWrite::Kind::Update, m_table, rowid, valuesOf(asRead), valuesOf(stored), m_fieldNames});
    m_rows.set(m_current, stored);
    // A pending edit now starts from the stored value, so posting it later neither reverts nor misses the row.
    if (m_state == State::Edit) m_buffer[static_cast<std::size_t>(index)] = storedValue(m_rows[m_current], index);
    invalidateOrders();
    m_listeners.notify(&CursorListener::rowChanged, m_current);
}

std::size_t TableCursor::displayCount() const {
    if (!active()) return 0;
    return m_rows.size() + (m_state == State::Insert ? 1 : 0);
}

std::string TableCursor::cellText(std::size_t row, int field) const {
    if (!active() || field < 0 || field >= fieldCount()) return {};
    const bool pending =
        (m_state == State::Insert && row == m_rows.size()) || (m_state == State::Edit && row == m_current);
    if (pending) return m_buffer[static_cast<std::size_t>(field)].value_or(std::string());
    if (row >= m_rows.size()) return {};
    return RowStore::text(m_store->field(m_rows[row], field));
}

std::size_t TableCursor::snapshotBytes() const {
    std::size_t total = m_store->bytes() + m_rows.bytes();
    for (const auto& order : m_orders)
        total += order.positions.capacity() * sizeof(std::uint32_t);
    return total;
}

} // namespace db
