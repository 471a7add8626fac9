#include "participants/PreviewModel.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <limits>
#include <new>
#include <stdexcept>

namespace {

// Big enough that a page holds thousands of participants, small enough that the unused end of the last page does
// not matter.
constexpr std::size_t kPageBytes = 256 * 1024;

// Each text is stored after its length in bytes, seven bits to a byte, low bits first: one byte for any text
// under 128 bytes, which is nearly every cell of a participant list.
std::size_t lengthBytes(std::size_t length) {
    std::size_t bytes = 1;
    for (; length >= 0x80; length >>= 7)
        ++bytes;
    return bytes;
}

char* putLength(char* out, std::size_t length) {
    for (; length >= 0x80; length >>= 7)
        *out++ = static_cast<char>((length & 0x7f) | 0x80);
    *out++ = static_cast<char>(length);
    return out;
}

const char* getLength(const char* in, std::size_t& length) {
    length = 0;
    for (int shift = 0;; shift += 7) {
        const auto byte = static_cast<unsigned char>(*in++);
        length |= static_cast<std::size_t>(byte & 0x7f) << shift;
        if (byte < 0x80) return in;
    }
}

QString fromUtf8(const char* bytes, std::size_t length) {
    return QString::fromUtf8(bytes, static_cast<qsizetype>(length));
}

} // namespace

void PreviewModel::Items::addItem(std::string_view caption) {
    // The entry's room first: once the caption is written, adding the entry must not fail.
    if (m_entries.size() == m_entries.capacity()) m_entries.reserve(std::max<std::size_t>(1024, 2 * m_entries.size()));
    const std::uint32_t offset = put(caption, false);
    m_entries.push_back({static_cast<std::uint32_t>(m_pages.size() - 1), offset});
}

void PreviewModel::Items::addSubItem(std::string_view text) {
    if (m_entries.empty()) throw std::out_of_range("PreviewModel: no item to add to");
    put(text, true);
}

void PreviewModel::Items::append(Items&& other) {
    if (&other == this || other.m_entries.empty()) return;
    if (m_entries.empty()) {
        clear();
        std::swap(m_pages, other.m_pages);
        std::swap(m_entries, other.m_entries);
        return;
    }
    // The other pages follow ours as they are; our last page gives back the room it will no longer fill.
    shrink(m_pages.back());
    const auto firstPage = static_cast<std::uint32_t>(m_pages.size());
    const std::size_t from = m_entries.size();
    m_entries.insert(m_entries.end(), other.m_entries.begin(), other.m_entries.end());
    try {
        m_pages.insert(m_pages.end(), std::make_move_iterator(other.m_pages.begin()),
                       std::make_move_iterator(other.m_pages.end()));
    } catch (...) {
        m_entries.resize(from);
        throw;
    }
    for (std::size_t i = from; i < m_entries.size(); ++i)
        m_entries[i].page += firstPage;
    other.clear();
}

void PreviewModel::Items::clear() {
    std::vector<Page>().swap(m_pages);
    std::vector<Entry>().swap(m_entries);
}

QString PreviewModel::Items::text(int row, int index) const {
    const auto [begin, end] = bytes(static_cast<std::size_t>(row));
    int i = 0;
    for (const char* p = begin; p < end; ++i) {
        std::size_t length = 0;
        p = getLength(p, length);
        if (i == index) return fromUtf8(p, length);
        p += length;
    }
    return {};
}

QStringList PreviewModel::Items::item(int row) const {
    const auto [begin, end] = bytes(static_cast<std::size_t>(row));
    QStringList texts;
    for (const char* p = begin; p < end;) {
        std::size_t length = 0;
        p = getLength(p, length);
        texts << fromUtf8(p, length);
        p += length;
    }
    return texts;
}

std::pair<const char*, const char*> PreviewModel::Items::bytes(std::size_t row) const {
    const Entry& entry = m_entries.at(row);
    const Page& page = m_pages[entry.page];
    const bool nextInPage = row + 1 < m_entries.size() && m_entries[row + 1].page == entry.page;
    const std::uint32_t end = nextInPage ? m_entries[row + 1].offset : page.used;
    return {page.bytes.get() + entry.offset, page.bytes.get() + end};
}

std::uint32_t PreviewModel::Items::put(std::string_view text, bool toLastItem) {
    const std::size_t needed = lengthBytes(text.size()) + text.size();
    if (m_pages.empty() || m_pages.back().capacity - m_pages.back().used < needed) startPage(needed, toLastItem);
    Page& page = m_pages.back();
    const std::uint32_t offset = page.used;
    char* out = putLength(page.bytes.get() + offset, text.size());
    if (!text.empty()) std::memcpy(out, text.data(), text.size());
    page.used += static_cast<std::uint32_t>(needed);
    return offset;
}

void PreviewModel::Items::startPage(std::size_t needed, bool movingLastItem) {
    m_pages.reserve(m_pages.size() + 1);
    // The last item grows as one piece: it moves to the new page with its texts so far.
    const std::uint32_t start = movingLastItem ? m_entries.back().offset : 0;
    const std::size_t moved = movingLastItem ? m_pages.back().used - start : 0;
    // An item bigger than a page gets a page of its own, with room to grow.
    const std::size_t capacity = moved + needed <= kPageBytes ? kPageBytes : 2 * (moved + needed);
    if (capacity > std::numeric_limits<std::uint32_t>::max()) throw std::length_error("PreviewModel: item too long");
    Page page;
    page.bytes.reset(static_cast<char*>(std::malloc(capacity)));
    if (!page.bytes) throw std::bad_alloc();
    page.capacity = static_cast<std::uint32_t>(capacity);
    if (!m_pages.empty()) {
        Page& last = m_pages.back();
        if (moved > 0) std::memcpy(page.bytes.get(), last.bytes.get() + start, moved);
        page.used = static_cast<std::uint32_t>(moved);
        if (movingLastItem) last.used = start;
        if (last.used == 0)
            m_pages.pop_back(); // it held only the item that moved
        else
            shrink(last);
    }
    m_pages.push_back(std::move(page));
    if (movingLastItem) m_entries.back() = {static_cast<std::uint32_t>(m_pages.size() - 1), 0};
}

void PreviewModel::Items::shrink(Page& page) {
    if (page.used == page.capacity || page.used == 0) return;
    // Shrinking keeps the bytes where they are; were they to move, offsets within the page still hold.
    if (auto* bytes = static_cast<char*>(std::realloc(page.bytes.get(), page.used))) {
        static_cast<void>(page.bytes.release());
        page.bytes.reset(bytes);
        page.capacity = page.used;
    }
}

PreviewModel::PreviewModel(const QStringList& headings, QObject* parent)
    : QAbstractTableModel(parent), m_headings(headings) {}

void PreviewModel::appendItems(Items&& items) {
    if (items.count() == 0) return;
    const int first = itemCount();
    beginInsertRows({}, first, first + items.count() - 1);
    m_items.append(std::move(items));
    endInsertRows();
}

void PreviewModel::clear() {
    if (itemCount() == 0) return;
    beginResetModel();
    m_items.clear();
    endResetModel();
}

int PreviewModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : itemCount();
}

int PreviewModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_headings.size());
}

QVariant PreviewModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || role != Qt::DisplayRole || index.row() >= itemCount()) return {};
    return m_items.text(index.row(), index.column());
}

QVariant PreviewModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < m_headings.size())
        return m_headings.at(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags PreviewModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren : Qt::NoItemFlags;
}
