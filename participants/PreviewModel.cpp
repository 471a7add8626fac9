#include "participants/PreviewModel.h"

PreviewModel::PreviewModel(const QStringList& headings, QObject* parent)
    : QAbstractTableModel(parent), m_headings(headings) {}

int PreviewModel::addItem(const QString& caption) {
    const int row = itemCount();
    beginInsertRows({}, row, row);
    m_items.push_back(QStringList{caption});
    endInsertRows();
    return row;
}

void PreviewModel::addSubItem(int row, const QString& text) {
    auto& item = m_items.at(static_cast<std::size_t>(row));
    item.append(text);
    const int column = static_cast<int>(item.size()) - 1;
    if (column < columnCount()) emit dataChanged(index(row, column), index(row, column), {Qt::DisplayRole});
}

void PreviewModel::appendItems(std::vector<QStringList> items) {
    if (items.empty()) return;
    const int first = itemCount();
    beginInsertRows({}, first, first + static_cast<int>(items.size()) - 1);
    if (m_items.empty()) {
        m_items = std::move(items);
    } else {
        m_items.reserve(m_items.size() + items.size());
        for (auto& item : items)
            m_items.push_back(std::move(item));
    }
    endInsertRows();
}

void PreviewModel::clear() {
    if (m_items.empty()) return;
    beginResetModel();
    m_items.clear();
    m_items.shrink_to_fit();
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
    const QStringList& texts = item(index.row());
    return index.column() < texts.size() ? texts.at(index.column()) : QString();
}

QVariant PreviewModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < m_headings.size())
        return m_headings.at(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags PreviewModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren : Qt::NoItemFlags;
}
