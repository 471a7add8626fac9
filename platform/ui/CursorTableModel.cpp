#include "platform/ui/CursorTableModel.h"

#include "platform/db/TableCursor.h"
#include "platform/ui/ErrorHandler.h"

#include <algorithm>
#include <limits>

namespace ui {

CursorTableModel::CursorTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void CursorTableModel::setDataSource(db::DataSource* source) {
    link(source);
    cursorReset();
}

db::TableCursor* CursorTableModel::cursor() const {
    return dataSet();
}

std::size_t CursorTableModel::shownCount() const {
    if (!cursor()) return 0;
    return std::min<std::size_t>(cursor()->displayCount(), std::numeric_limits<int>::max());
}

int CursorTableModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || !cursor()) return 0;
    const auto count = std::min(cursor()->displayCount(), m_revealed);
    return count > static_cast<std::size_t>(std::numeric_limits<int>::max()) ? std::numeric_limits<int>::max()
                                                                             : static_cast<int>(count);
}

int CursorTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_columns;
}

void CursorTableModel::addReadOnlyColumn(const QString& title, ColumnValue value) {
    beginResetModel();
    m_readOnly.push_back({title, std::move(value)});
    m_columns = fieldColumns() > 0 ? fieldColumns() + readOnlyColumns() : 0;
    endResetModel();
}

void CursorTableModel::setReadOnlyColumnsShown(bool shown) {
    if (shown == m_readOnlyShown) return;
    beginResetModel();
    m_readOnlyShown = shown;
    m_columns = fieldColumns() > 0 ? fieldColumns() + readOnlyColumns() : 0;
    endResetModel();
}

void CursorTableModel::refreshReadOnlyColumns() {
    if (rowCount() == 0 || readOnlyColumns() == 0 || m_columns == 0) return;
    emit dataChanged(index(0, fieldColumns()), index(rowCount() - 1, m_columns - 1));
}

int CursorTableModel::fieldColumns() const {
    return cursor() && cursor()->active() ? cursor()->fieldCount() : 0;
}

QVariant CursorTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole) || !cursor()) return {};
    const auto row = static_cast<std::size_t>(index.row());
    if (const int extra = index.column() - fieldColumns(); extra >= 0) {
        // The pending new row has nothing to show there yet.
        if (row >= cursor()->recordCount() || extra >= readOnlyColumns()) return QString();
        return m_readOnly[static_cast<std::size_t>(extra)].value(row);
    }
    return QString::fromStdString(cursor()->cellText(row, index.column()));
}

QVariant CursorTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return QAbstractTableModel::headerData(section, orientation, role);
    if (orientation == Qt::Vertical) {
        const auto* c = cursor();
        const bool current = c && c->active() && static_cast<std::size_t>(section) == c->position();
        return current ? QStringLiteral("\u25B6") : QString();
    }
    if (!cursor() || section >= m_columns) return {};
    if (section >= fieldColumns()) return m_readOnly[static_cast<std::size_t>(section - fieldColumns())].title;
    return QString::fromStdString(cursor()->fieldName(section));
}

Qt::ItemFlags CursorTableModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    if (index.column() >= fieldColumns()) return Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable;
}

bool CursorTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole || !cursor() || index.column() >= fieldColumns()) return false;
    bool stored = false;
    guarded([&] {
        auto* c = cursor();
        if (c->position() != static_cast<std::size_t>(index.row())) c->moveTo(static_cast<std::size_t>(index.row()));
        if (c->state() == db::TableCursor::State::Browse) c->edit();
        c->setFieldText(index.column(), value.toString().toStdString());
        stored = true;
    });
    return stored;
}

// A view keeps a place for every row it is told of: told of millions at once, it stands still while it makes room
// for them all. Told a slice at a time, with the event loop turning between slices, the screen keeps painting.
constexpr std::size_t kRevealSlice = std::size_t{1} << 18;

void CursorTableModel::cursorReset() {
    const bool inSlices = m_revealPump && shownCount() > kRevealSlice;
    beginResetModel();
    m_revealed = inSlices ? kRevealSlice : kAll;
    m_columns = fieldColumns() > 0 ? fieldColumns() + readOnlyColumns() : 0;
    endResetModel();
    if (inSlices) revealRest();
    emit currentRowChanged();
}

void CursorTableModel::revealRest() {
    while (m_revealed != kAll) {
        const std::size_t total = shownCount();
        if (total <= m_revealed) {
            // The cursor lost rows while the event loop turned: the views start again from what it holds.
            beginResetModel();
            m_revealed = kAll;
            endResetModel();
            return;
        }
        const std::size_t next = std::min(total, m_revealed + kRevealSlice);
        beginInsertRows({}, static_cast<int>(m_revealed), static_cast<int>(next - 1));
        m_revealed = next == total ? kAll : next;
        endInsertRows();
        if (m_revealPump) m_revealPump();
    }
}

void CursorTableModel::rowChanged(std::size_t row) {
    if (row >= static_cast<std::size_t>(rowCount())) return;
    const int r = static_cast<int>(row);
    emit dataChanged(index(r, 0), index(r, m_columns - 1));
}

void CursorTableModel::currentChanged() {
    // The row indicator moved; an empty grid has no row headers to repaint.
    if (rowCount() > 0) emit headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
    emit currentRowChanged();
}

} // namespace ui
