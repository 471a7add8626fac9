#include "platform/ui/DBGrid.h"

#include "platform/db/TableCursor.h"
#include "platform/ui/CursorTableModel.h"
#include "platform/ui/ErrorHandler.h"
#include "platform/ui/MessageBox.h"

#include <QHeaderView>
#include <QKeyEvent>

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
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);
    connect(m_model, &CursorTableModel::currentRowChanged, this, &DBGrid::followCursor);
}

void DBGrid::setDataSource(db::DataSource* source) {
    m_model->setDataSource(source);
}

void DBGrid::setRowIndicator(bool shown) {
    verticalHeader()->setVisible(shown);
    verticalHeader()->setFixedWidth(shown ? 12 : 0);
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
    m_following = true;
    setCurrentIndex(m_model->index(row, column));
    m_following = false;
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
