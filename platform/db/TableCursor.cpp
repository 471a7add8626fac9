#include "platform/db/TableCursor.h"

#include "platform/Error.h"
#include "platform/db/Connection.h"
#include "platform/db/CursorListener.h"
#include "platform/db/Statement.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <numeric>
#include <sqlite3.h>

namespace db {

namespace {

std::string quoted(const std::string& identifier) {
    std::string out = "\"";
    for (char c : identifier) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + '"';
}

// A refused text as a message quotes it: short enough for a message box, and without a NUL that would cut the
// message off.
std::string quotedForMessage(const std::string& text) {
    constexpr std::size_t kShownCharacters = 40;
    std::string shown;
    std::size_t at = 0;
    for (std::size_t characters = 0; at < text.size() && characters < kShownCharacters; ++characters) {
        std::size_t length = 1; // one UTF-8 character
        while (at + length < text.size() && (static_cast<unsigned char>(text[at + length]) & 0xC0) == 0x80)
            ++length;
        if (text[at] == '\0')
            shown += "\\0";
        else
            shown.append(text, at, length);
        at += length;
    }
    if (at < text.size()) shown += "...";
    return "'" + shown + "'";
}

// Whole decimal numbers only, with optional sign and surrounding blanks, as typed by an operator.
std::optional<std::int64_t> parseInteger(const std::string& text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && text[begin] == ' ')
        ++begin;
    while (end > begin && text[end - 1] == ' ')
        --end;
    if (begin < end && text[begin] == '+') ++begin;
    std::int64_t value = 0;
    const char* first = text.data() + begin;
    const char* last = text.data() + end;
    if (first == last) return std::nullopt;
    const auto result = std::from_chars(first, last, value);
    if (result.ec != std::errc() || result.ptr != last) return std::nullopt;
    return value;
}

// SQLite's order of values: nulls, then numbers, then texts by their bytes.
int rank(RowStore::Kind kind) {
    switch (kind) {
    case RowStore::Kind::Null:
        return 0;
    case RowStore::Kind::Integer:
    case RowStore::Kind::Real:
        return 1;
    case RowStore::Kind::Text:
        return 2;
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
    if (ra == 2) {
        const int c = a.text.compare(b.text);
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    return 0;
}

} // namespace

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

void TableCursor::updateRecord() {
    for (auto* listener : std::vector<CursorListener*>(m_listeners))
        listener->updateRecord();
}

void TableCursor::checkBrowseMode() {
    checkActive();
    if (m_state == State::Edit || m_state == State::Insert) {
        updateRecord();
        if (m_modified)
            post();
        else
            cancel();
    }
}

void TableCursor::readFields() {
    if (!m_connection) fail("Missing Connection or ConnectionString");
    Statement info(m_connection->handle(), "PRAGMA table_info(" + quoted(m_table) + ")");
    m_fieldNames.clear();
    m_integerFields.clear();
    while (info.step()) {
        m_fieldNames.emplace_back(info.columnText(1));
        std::string type(info.columnText(2));
        std::transform(type.begin(), type.end(), type.begin(), [](unsigned char c) { return std::toupper(c); });
        m_integerFields.push_back(type.find("INT") != std::string::npos);
    }
    if (m_fieldNames.empty()) throw platform::Error("no such table: " + m_table);
}

void TableCursor::load() {
    readFields();
    Statement select(m_connection->handle(), "SELECT rowid, * FROM " + quoted(m_table));
    std::vector<RowStore::Handle> rows;
    RowStore store;
    const int fields = fieldCount();
    while (select.step())
        rows.push_back(store.addFromStatement(select, fields));
    rows.shrink_to_fit();
    m_store = std::move(store);
    m_rows = std::move(rows);
    invalidateOrders();
}

void TableCursor::open() {
    if (active()) return;
    load();
    m_state = State::Browse;
    m_buffer.clear();
    m_modified = false;
    m_current = 0;
    m_bof = true;
    m_eof = m_rows.empty();
    notifyReset();
}

void TableCursor::close() {
    if (!active()) return;
    m_state = State::Inactive;
    m_buffer.clear();
    m_modified = false;
    m_store.clear();
    m_rows.clear();
    m_rows.shrink_to_fit();
    invalidateOrders();
    m_current = 0;
    m_eof = m_bof = true;
    notifyReset();
}

void TableCursor::requery() {
    checkBrowseMode();
    load();
    m_current = 0;
    m_bof = true;
    m_eof = m_rows.empty();
    notifyReset();
}

void TableCursor::setCurrent(std::size_t index) {
    m_current = index;
    notifyCurrent();
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
        notifyCurrent();
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
        notifyCurrent();
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

const TableCursor::Order& TableCursor::orderOf(int field) const {
    if (m_orders.size() < m_fieldNames.size()) m_orders.resize(m_fieldNames.size());
    Order& order = m_orders[static_cast<std::size_t>(field)];
    if (order.built) return order;
    order.positions.clear();
    // Extract the keys once, so sorting a million rows does not decode rows in every comparison.
    if (m_integerFields[static_cast<std::size_t>(field)]) {
        std::vector<std::pair<std::int64_t, std::uint32_t>> keys;
        keys.reserve(m_rows.size());
        bool allIntegers = true;
        for (std::size_t i = 0; i < m_rows.size() && allIntegers; ++i) {
            const auto value = m_store.field(m_rows[i], field);
            allIntegers = value.kind == RowStore::Kind::Integer;
            keys.emplace_back(value.integer, static_cast<std::uint32_t>(i));
        }
        if (allIntegers) {
            order.identity = std::is_sorted(keys.begin(), keys.end());
            if (!order.identity) {
                std::sort(keys.begin(), keys.end());
                order.positions.resize(keys.size());
                for (std::size_t i = 0; i < keys.size(); ++i)
                    order.positions[i] = keys[i].second;
            }
            order.built = true;
            return order;
        }
    }
    std::vector<RowStore::Field> values(m_rows.size());
    for (std::size_t i = 0; i < m_rows.size(); ++i)
        values[i] = m_store.field(m_rows[i], field);
    order.identity =
        std::is_sorted(values.begin(), values.end(), [](const auto& a, const auto& b) { return compare(a, b) < 0; });
    if (!order.identity) {
        order.positions.resize(m_rows.size());
        std::iota(order.positions.begin(), order.positions.end(), 0u);
        std::stable_sort(order.positions.begin(), order.positions.end(),
                         [&](std::uint32_t a, std::uint32_t b) { return compare(values[a], values[b]) < 0; });
    }
    order.built = true;
    return order;
}

void TableCursor::prepareOrder(int field) const {
    checkActive();
    orderOf(field);
}

bool TableCursor::locate(const std::string& fieldName, const std::string& value, bool partialKey) {
    checkBrowseMode();
    try {
        const int field = fieldIndex(fieldName);
        const auto& order = orderOf(field);
        RowStore::Field probe;
        if (m_integerFields[static_cast<std::size_t>(field)]) {
            const auto number = parseInteger(value);
            if (!number) return false;
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
            if (compare(m_store.field(m_rows[order.at(middle)], field), probe) < 0)
                low = middle + 1;
            else
                high = middle;
        }
        if (low == m_rows.size()) return false;
        const std::size_t found = order.at(low);
        const auto candidate = m_store.field(m_rows[found], field);
        const bool match = probe.kind == RowStore::Kind::Text && candidate.kind == RowStore::Kind::Text && partialKey
                               ? candidate.text.substr(0, probe.text.size()) == probe.text
                               : compare(candidate, probe) == 0;
        if (!match) return false;
        m_bof = m_eof = false;
        setCurrent(found);
        return true;
    } catch (const platform::Error&) {
        return false; // an error inside the search counts as no match
    }
}

void TableCursor::moveToRank(int field, std::size_t k) {
    checkBrowseMode();
    if (k >= m_rows.size()) return;
    const Order& order = orderOf(field);
    m_bof = m_eof = false;
    m_current = order.at(k);
    notifyCurrent();
}

void TableCursor::append() {
    checkBrowseMode();
    m_beforeInsert = m_current;
    m_buffer.assign(m_fieldNames.size(), std::nullopt);
    m_modified = false;
    m_state = State::Insert;
    m_eof = false;
    notifyReset();
    notifyCurrent();
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
    notifyCurrent();
}

std::optional<std::string> TableCursor::storedValue(RowStore::Handle handle, int field) const {
    const auto value = m_store.field(handle, field);
    if (value.kind == RowStore::Kind::Null) return std::nullopt;
    return RowStore::text(value);
}

void TableCursor::post() {
    checkActive();
    if (m_state != State::Edit && m_state != State::Insert) return;
    updateRecord();
    sqlite3* handle = m_connection->handle();
    const int fields = fieldCount();
    if (m_state == State::Insert) {
        std::string sql = "INSERT INTO " + quoted(m_table) + " VALUES(";
        for (int i = 0; i < fields; ++i)
            sql += i ? ",?" : "?";
        sql += ")";
        Statement insert(handle, sql);
        for (int i = 0; i < fields; ++i)
            insert.bind(i + 1, m_buffer[static_cast<std::size_t>(i)]);
        insert.step();
        const auto stored = m_store.add(sqlite3_last_insert_rowid(handle), m_buffer, m_integerFields);
        m_rows.push_back(stored);
        m_current = m_rows.size() - 1;
    } else {
        std::string sql = "UPDATE " + quoted(m_table) + " SET ";
        for (int i = 0; i < fields; ++i)
            sql += (i ? "," : "") + quoted(m_fieldNames[static_cast<std::size_t>(i)]) + "=?";
        sql += " WHERE rowid=? RETURNING rowid";
        Statement update(handle, sql);
        for (int i = 0; i < fields; ++i)
            update.bind(i + 1, m_buffer[static_cast<std::size_t>(i)]);
        update.bindInt(fields + 1, m_store.rowid(m_rows[m_current]));
        if (!update.step())
            fail("Row cannot be located for updating. Some values may have been changed since it was last read.");
        const std::int64_t rowid = update.columnInt(0);
        while (update.step()) {
        }
        m_rows[m_current] = m_store.add(rowid, m_buffer, m_integerFields);
    }
    const bool inserted = m_state == State::Insert;
    m_state = State::Browse;
    m_buffer.clear();
    m_modified = false;
    m_bof = m_eof = false;
    invalidateOrders();
    if (inserted) notifyReset();
    notifyRow(m_current);
    notifyCurrent();
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
        notifyReset();
    } else {
        notifyRow(m_current);
    }
    notifyCurrent();
}

void TableCursor::remove() {
    checkActive();
    if (m_state == State::Insert) {
        cancel();
        return;
    }
    if (m_rows.empty()) fail("Cannot perform this operation on an empty dataset");
    checkBrowseMode();
    Statement erase(m_connection->handle(), "DELETE FROM " + quoted(m_table) + " WHERE rowid=?");
    erase.bindInt(1, m_store.rowid(m_rows[m_current]));
    erase.step();
    m_rows.erase(m_rows.begin() + static_cast<std::ptrdiff_t>(m_current));
    if (m_current >= m_rows.size() && m_current > 0) --m_current;
    m_bof = m_current == 0;
    m_eof = m_rows.empty();
    invalidateOrders();
    notifyReset();
    notifyCurrent();
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

bool TableCursor::isIntegerField(int index) const {
    fieldName(index);
    return m_integerFields[static_cast<std::size_t>(index)];
}

std::string TableCursor::fieldText(int index) const {
    fieldName(index);
    if (m_state == State::Edit || m_state == State::Insert)
        return m_buffer[static_cast<std::size_t>(index)].value_or(std::string());
    if (m_rows.empty()) return {};
    return RowStore::text(m_store.field(m_rows[m_current], index));
}

std::int64_t TableCursor::fieldInt(int index) const {
    const std::string text = fieldText(index);
    if (text.empty()) return 0;
    const auto value = parseInteger(text);
    if (!value) fail(quotedForMessage(text) + " is not a valid integer value");
    return *value;
}

void TableCursor::setFieldText(int index, const std::string& text) {
    fieldName(index);
    checkEditing();
    std::optional<std::string> value = text;
    if (m_integerFields[static_cast<std::size_t>(index)]) {
        if (text.empty()) {
            value.reset();
        } else {
            const auto number = parseInteger(text);
            if (!number)
                fail(quotedForMessage(text) + " is not a valid integer value for field '" + fieldName(index) + "'");
            value = std::to_string(*number);
        }
    }
    m_buffer[static_cast<std::size_t>(index)] = std::move(value);
    m_modified = true;
    notifyRow(position());
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
    return RowStore::text(m_store.field(m_rows[row], field));
}

void TableCursor::addListener(CursorListener* listener) {
    m_listeners.push_back(listener);
}

void TableCursor::removeListener(CursorListener* listener) {
    m_listeners.erase(std::remove(m_listeners.begin(), m_listeners.end(), listener), m_listeners.end());
}

std::size_t TableCursor::snapshotBytes() const {
    std::size_t total = m_store.bytes() + m_rows.capacity() * sizeof(RowStore::Handle);
    for (const auto& order : m_orders)
        total += order.positions.capacity() * sizeof(std::uint32_t);
    return total;
}

void TableCursor::notifyReset() {
    for (auto* listener : std::vector<CursorListener*>(m_listeners))
        listener->cursorReset();
}
void TableCursor::notifyRow(std::size_t row) {
    for (auto* listener : std::vector<CursorListener*>(m_listeners))
        listener->rowChanged(row);
}
void TableCursor::notifyCurrent() {
    for (auto* listener : std::vector<CursorListener*>(m_listeners))
        listener->currentChanged();
}

} // namespace db
