#pragma once

#include "platform/db/DataLink.h"

#include <QAbstractTableModel>
#include <functional>
#include <limits>
#include <vector>

namespace ui {

// A grid's view of a cursor: it reads cells straight from the cursor's snapshot, so a million rows cost the
// grid nothing until they are scrolled into view.
class CursorTableModel : public QAbstractTableModel, private db::DataLink {
    Q_OBJECT
public:
    explicit CursorTableModel(QObject* parent = nullptr);

    void setDataSource(db::DataSource* source);
    db::TableCursor* cursor() const;

    // A column after the cursor's fields that shows what the function gives for each row (the row's index in the
    // cursor's order), read only. Shown while the cursor is open.
    using ColumnValue = std::function<QString(std::size_t row)>;
    void addReadOnlyColumn(const QString& title, ColumnValue value);
    // The read-only columns' values may have changed.
    void refreshReadOnlyColumns();
    // Whether the read-only columns are shown (they are unless hidden): a column that means nothing in some state of
    // the program leaves the grid then.
    void setReadOnlyColumnsShown(bool shown);
    // Called between slices while a cursor read again tells the views of its rows: there the event loop may turn, so
    // the screen keeps painting. Without it the views learn of every row at once.
    void setRevealPump(std::function<void()> pump) { m_revealPump = std::move(pump); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

signals:
    void currentRowChanged();

private:
    void cursorReset() override;
    void rowChanged(std::size_t row) override;
    void currentChanged() override;

    // Tells the views of the rows after the first slice, one slice at a time.
    void revealRest();
    std::size_t shownCount() const;
    int fieldColumns() const;
    int readOnlyColumns() const { return m_readOnlyShown ? static_cast<int>(m_readOnly.size()) : 0; }

    int m_columns = 0;
    struct ReadOnlyColumn {
        QString title;
        ColumnValue value;
    };
    std::vector<ReadOnlyColumn> m_readOnly;
    bool m_readOnlyShown = true;
    // The rows the views know of, while a reset tells them in slices; kAll otherwise.
    static constexpr std::size_t kAll = std::numeric_limits<std::size_t>::max();
    std::size_t m_revealed = kAll;
    std::function<void()> m_revealPump;
};

} // namespace ui
