#include "platform/ui/DBGrid.h"

#include "platform/db/TableCursor.h"
#include "platform/ui/CursorTableModel.h"
#include "platform/ui/ErrorHandler.h"
#include "platform/ui/MessageBox.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <algorithm>
#include <numeric>
#include <vector>

namespace ui {

DBGrid::DBGrid(QWidget* parent) : QTableView(parent), m_model(new CursorTableModel(this)) {
    setModel(m_model);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    setTabKeyNavigation(true);
    // Fixed row heights keep a grid of a million rows as quick as one of ten.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    fitRowHeight();
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);
    connect(m_model, &CursorTableModel::currentRowChanged, this, &DBGrid::followCursor);
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        if (m_fitColumns) fitColumnsToContents();
    });
    // The rows a column's width is taken from: those in view and as many around them.
    horizontalHeader()->setResizeContentsPrecision(200);
}

// The rows are as high as the grid's font needs, whatever font the grid had when it was made (a form makes a page's
// controls before the page has its place, and so its font).
void DBGrid::changeEvent(QEvent* event) {
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange) fitRowHeight();
}

void DBGrid::fitRowHeight() {
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
}

void DBGrid::setDataSource(db::DataSource* source) {
    m_model->setDataSource(source);
}

void DBGrid::addReadOnlyColumn(const QString& title, std::function<QString(std::size_t row)> value) {
    m_model->addReadOnlyColumn(title, std::move(value));
}

void DBGrid::refreshReadOnlyColumns() {
    m_model->refreshReadOnlyColumns();
}

void DBGrid::setReadOnlyColumnsShown(bool shown) {
    m_model->setReadOnlyColumnsShown(shown);
}

void DBGrid::setRowIndicator(bool shown) {
    verticalHeader()->setVisible(shown);
    verticalHeader()->setFixedWidth(shown ? 12 : 0);
}

void DBGrid::setRevealPump(std::function<void()> pump) {
    m_model->setRevealPump(std::move(pump));
}

bool DBGrid::rowIndicator() const {
    return !verticalHeader()->isHidden();
}

void DBGrid::setColumnsFitContents(bool on) {
    m_fitColumns = on;
    if (on) fitColumnsToContents();
}

void DBGrid::fitColumnsToContents() {
    const int columns = m_model->columnCount();
    if (columns == 0) return;
    std::vector<int> widths(static_cast<std::size_t>(columns));
    for (int c = 0; c < columns; ++c)
        widths[static_cast<std::size_t>(c)] = std::max(horizontalHeader()->sectionSizeHint(c), sizeHintForColumn(c));
    // The room beside the row indicator, with a vertical scroll bar counted in whether it shows yet or not.
    const int room = width() - 2 * frameWidth() - (verticalHeader()->isVisible() ? verticalHeader()->width() : 0) -
                     verticalScrollBar()->sizeHint().width();
    if (std::accumulate(widths.begin(), widths.end(), 0) > room) {
        // Too wide together: the widest columns give way, down to a common limit at which all of them fit.
        std::vector<int> sorted = widths;
        std::sort(sorted.begin(), sorted.end());
        int limit = room / columns;
        int left = room;
        for (std::size_t i = 0; i < sorted.size(); ++i) {
            const int share = left / static_cast<int>(sorted.size() - i);
            if (sorted[i] > share) {
                limit = share;
                break;
            }
            left -= sorted[i];
            limit = sorted[i];
        }
        for (int& w : widths)
            w = std::min(w, limit);
    }
    for (int c = 0; c < columns; ++c)
        horizontalHeader()->resizeSection(c, widths[static_cast<std::size_t>(c)]);
}

db::TableCursor* DBGrid::cursor() const {
    return m_model->cursor();
}

void DBGrid::followCursor() {
    auto* c = cursor();
    if (!c || !c->active() || m_model->rowCount() == 0) return;
    const int row = static_cast<int>(c->position());
    const int column = currentIndex().isValid() ? currentIndex().column() : 0;
    if (currentIndex().row() == row) return;
    const QScopedValueRollback following(m_following, true);
    setCurrentIndex(m_model->index(row, column));
}

void DBGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    if (m_following || !current.isValid() || current.row() == previous.row()) return;
    guarded(this, [&] {
        auto* c = cursor();
        if (!c || !c->active()) return;
        if (c->position() == static_cast<std::size_t>(current.row())) return;
        if (static_cast<std::size_t>(current.row()) < c->recordCount())
            c->moveTo(static_cast<std::size_t>(current.row()));
    });
    followCursor();
}

void DBGrid::keyPressEvent(QKeyEvent* event) {
    // Tab goes from cell to cell and round again; Ctrl+Tab (Ctrl+Shift+Tab) takes the keyboard on to the screen's
    // next (previous) control, so it is never shut in the grid.
    if ((event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab) &&
        event->modifiers().testFlag(Qt::ControlModifier)) {
        QWidget::focusNextPrevChild(event->key() == Qt::Key_Tab && !event->modifiers().testFlag(Qt::ShiftModifier));
        return;
    }
    auto* c = cursor();
    const bool active = c && c->active();
    if (active && event->key() == Qt::Key_Delete && event->modifiers() == Qt::ControlModifier) {
        guarded(this, [&] {
            if (MessageBox::confirm(QStringLiteral("Delete record?"))) c->remove();
        });
        return;
    }
    if (active && event->key() == Qt::Key_Insert && event->modifiers() == Qt::NoModifier) {
        guarded(this, [&] { c->append(); });
        return;
    }
    if (active && event->key() == Qt::Key_Escape && state() != QAbstractItemView::EditingState) {
        guarded(this, [&] { c->cancel(); });
        return;
    }
    if (active && event->key() == Qt::Key_Down && event->modifiers() == Qt::NoModifier &&
        c->state() != db::TableCursor::State::Insert && c->position() + 1 >= c->recordCount()) {
        guarded(this, [&] { c->append(); });
        return;
    }
    QTableView::keyPressEvent(event);
}

void DBGrid::focusOutEvent(QFocusEvent* event) {
    QTableView::focusOutEvent(event);
    auto* c = cursor();
    // A new row left without any change is dropped when the grid loses the focus.
    if (c && c->active() && c->state() == db::TableCursor::State::Insert && !c->modified() &&
        state() != QAbstractItemView::EditingState)
        guarded(this, [&] { c->cancel(); });
}

} // namespace ui
