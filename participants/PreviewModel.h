#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <vector>

// The rows of a list in report view: each item is a caption followed by its sub-items, shown under as many
// columns as there are headings. Sub-items beyond the last column stay in the item, unseen, as a list view keeps
// them. A view reads the texts through the model, so a long preview costs one string list per row, no widgets.
class PreviewModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit PreviewModel(const QStringList& headings, QObject* parent = nullptr);

    // Adds one item: its caption, then its sub-items in order. Returns the item's row.
    int addItem(const QString& caption);
    // Adds a sub-item to the item at row (the next column, or beyond the columns).
    void addSubItem(int row, const QString& text);
    // Adds whole items at once (caption first), for a preview read in one go.
    void appendItems(std::vector<QStringList> items);
    void clear();

    int itemCount() const { return static_cast<int>(m_items.size()); }
    // The caption followed by every sub-item, shown or not.
    const QStringList& item(int row) const { return m_items.at(static_cast<std::size_t>(row)); }
    const QStringList& headings() const { return m_headings; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    QStringList m_headings;
    std::vector<QStringList> m_items;
};
