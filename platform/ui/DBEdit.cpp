#include "platform/ui/DBEdit.h"

#include "platform/Error.h"
#include "platform/db/TableCursor.h"
#include "platform/ui/ErrorHandler.h"

#include <QFocusEvent>
#include <QGuiApplication>
#include <QScopedValueRollback>
#include <QTimer>
#include <limits>

namespace ui {

DBEdit::DBEdit(QWidget* parent) : QLineEdit(parent) {
    // A line edit holds 32767 characters by default: a longer stored value would be cut and written back cut.
    setMaxLength(std::numeric_limits<int>::max());
    connect(this, &QLineEdit::textEdited, this, [this] {
        guarded(this, [this] {
            auto* cursor = dataSet();
            if (!cursor) return;
            if (cursor->state() == db::TableCursor::State::Browse) {
                // edit() announces itself; keep what was typed
                const QScopedValueRollback refreshing(m_refreshing, true);
                cursor->edit();
            }
            m_dirty = true;
        });
    });
    connect(this, &QLineEdit::editingFinished, this, &DBEdit::finished);
}

void DBEdit::setDataSource(db::DataSource* source, const std::string& field) {
    link(source);
    m_field = field;
    refresh();
}

void DBEdit::focusOutEvent(QFocusEvent* event) {
    QScopedValueRollback<std::optional<Qt::FocusReason>> leaving(m_leaving, event->reason());
    QLineEdit::focusOutEvent(event); // says editingFinished
}

void DBEdit::finished() {
    if (!m_leaving) { // Enter
        guarded(this, [this] { updateRecord(); });
        return;
    }
    // The window lost activation (a message box came up, or another program): the operator has not left the edit.
    if (*m_leaving == Qt::ActiveWindowFocusReason || *m_leaving == Qt::PopupFocusReason) return;
    // Left for another control. The text is handed over once the click that moved the focus is over: a button that
    // hands the text over itself (a re-query, a post) then shows a refusal once, not twice, and a refusal's box does
    // not swallow the click.
    m_handOverPending = true;
    QTimer::singleShot(0, this, &DBEdit::handOverAfterClick);
}

void DBEdit::handOverAfterClick() {
    if (!m_handOverPending) return;
    if (QGuiApplication::mouseButtons() != Qt::NoButton) {
        QTimer::singleShot(10, this, &DBEdit::handOverAfterClick);
        return;
    }
    guarded(this, [this] { updateRecord(); });
}

void DBEdit::updateRecord() {
    m_handOverPending = false;
    auto* cursor = dataSet();
    if (!m_dirty || !cursor) return;
    if (cursor->state() != db::TableCursor::State::Edit && cursor->state() != db::TableCursor::State::Insert) {
        m_dirty = false;
        return;
    }
    if (m_refusal) {
        if (const auto message = m_refusal(text())) throw platform::Error(message->toStdString());
    }
    {
        const QScopedValueRollback refreshing(m_refreshing, true);
        cursor->setFieldText(m_field, text().toStdString()); // a refusal leaves the text for the operator to mend
    }
    m_dirty = false;
}

void DBEdit::refresh() {
    if (m_refreshing) return;
    auto* cursor = dataSet();
    const bool active = cursor && cursor->active();
    const bool pending = active && (cursor->state() == db::TableCursor::State::Edit ||
                                    cursor->state() == db::TableCursor::State::Insert);
    if (m_dirty && pending) return; // the operator's typing is not yet handed over
    setReadOnly(!active);
    m_dirty = false;
    QString value;
    // An open cursor fails only on a field it lacks (a misnamed binding, a database without the column): that is
    // said, not shown as an empty value. It is said here rather than thrown, as the cursor that is telling its
    // listeners goes on telling the others.
    if (active) guarded(this, [&] { value = QString::fromStdString(cursor->fieldText(m_field)); });
    if (value != text()) setText(value);
}

} // namespace ui
