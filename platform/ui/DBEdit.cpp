#include "platform/ui/DBEdit.h"

#include "platform/Error.h"
#include "platform/db/DataSource.h"
#include "platform/db/TableCursor.h"
#include "platform/ui/ErrorHandler.h"

#include <limits>

namespace ui {

DBEdit::DBEdit(QWidget* parent) : QLineEdit(parent) {
    // A line edit holds 32767 characters by default: a longer stored value would be cut and written back cut.
    setMaxLength(std::numeric_limits<int>::max());
    connect(this, &QLineEdit::textEdited, this, [this] {
        guarded(this, [this] {
            auto* cursor = m_source ? m_source->dataSet() : nullptr;
            if (!cursor) return;
            if (cursor->state() == db::TableCursor::State::Browse) {
                m_refreshing = true; // edit() announces itself; keep what was typed
                try {
                    cursor->edit();
                } catch (...) {
                    m_refreshing = false;
                    throw;
                }
                m_refreshing = false;
            }
            m_dirty = true;
        });
    });
    connect(this, &QLineEdit::editingFinished, this, [this] { guarded([this] { updateRecord(); }); });
}

DBEdit::~DBEdit() {
    if (m_source) m_source->removeListener(this);
}

void DBEdit::setDataSource(db::DataSource* source, const std::string& field) {
    if (m_source) m_source->removeListener(this);
    m_source = source;
    m_field = field;
    if (m_source) m_source->addListener(this);
    refresh();
}

void DBEdit::updateRecord() {
    if (!m_dirty || !m_source || !m_source->dataSet()) return;
    auto* cursor = m_source->dataSet();
    if (cursor->state() != db::TableCursor::State::Edit && cursor->state() != db::TableCursor::State::Insert) {
        m_dirty = false;
        return;
    }
    if (m_refusal) {
        if (const auto message = m_refusal(text())) throw platform::Error(message->toStdString());
    }
    const std::string value = text().toStdString();
    m_refreshing = true;
    try {
        cursor->setFieldText(m_field, value);
    } catch (...) {
        m_refreshing = false;
        throw; // the text stays in the edit for the operator to mend
    }
    m_refreshing = false;
    m_dirty = false;
}

void DBEdit::refresh() {
    if (m_refreshing) return;
    auto* cursor = m_source ? m_source->dataSet() : nullptr;
    const bool active = cursor && cursor->active();
    const bool pending = active && (cursor->state() == db::TableCursor::State::Edit ||
                                    cursor->state() == db::TableCursor::State::Insert);
    if (m_dirty && pending) return; // the operator's typing is not yet handed over
    setReadOnly(!active);
    m_dirty = false;
    QString value;
    if (active) {
        try {
            value = QString::fromStdString(cursor->fieldText(m_field));
        } catch (...) {
            value.clear();
        }
    }
    if (value != text()) setText(value);
}

} // namespace ui
