#pragma once

#include <QTableView>
#include <functional>

namespace db {
class DataSource;
class TableCursor;
} // namespace db

namespace ui {

class CursorTableModel;

// A data grid over a cursor: the grid's current row is the cursor's. Cells are edited in place (posted when the
// row is left, Escape abandons), Insert or Down past the last row starts a new row, Ctrl+Delete deletes the
// current row after "Delete record?".
class DBGrid : public QTableView {
    Q_OBJECT
    // Set by a form.
    Q_PROPERTY(bool rowIndicator READ rowIndicator WRITE setRowIndicator)
    Q_PROPERTY(bool columnsFitContents READ columnsFitContents WRITE setColumnsFitContents)
public:
    explicit DBGrid(QWidget* parent = nullptr);

    void setDataSource(db::DataSource* source);
    // A read-only column after the cursor's fields (CursorTableModel::addReadOnlyColumn), and its values refreshed.
    void addReadOnlyColumn(const QString& title, std::function<QString(std::size_t row)> value);
    void refreshReadOnlyColumns();
    void setReadOnlyColumnsShown(bool shown);
    // The narrow column left of the rows that marks the current one.
    void setRowIndicator(bool shown);
    // Called now and then while the grid learns of a long list of rows read again (see CursorTableModel).
    void setRevealPump(std::function<void()> pump);
    bool rowIndicator() const;
    // Each time the cursor is opened, the columns take the width of their titles and values, looked at in the rows
    // in view and a few hundred around them (not a million), and together stay within the grid.
    void setColumnsFitContents(bool on);
    bool columnsFitContents() const { return m_fitColumns; }
    void fitColumnsToContents();

protected:
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    void fitRowHeight();
    db::TableCursor* cursor() const;
    void followCursor();

    CursorTableModel* m_model;
    bool m_following = false;
    bool m_fitColumns = false;
};

} // namespace ui
