#pragma once

#include "platform/db/DataLink.h"

#include <QLineEdit>
#include <functional>
#include <optional>
#include <string>

namespace ui {

// A single-line edit showing one field of a cursor's current row. The first keystroke puts the cursor into edit
// mode; the text goes into the field when Enter is pressed, when the edit is left for another control of its window,
// or when the row is posted. A window losing activation (a message box, another program) does not leave the edit.
class DBEdit : public QLineEdit, private db::DataLink {
    Q_OBJECT
public:
    explicit DBEdit(QWidget* parent = nullptr);

    void setDataSource(db::DataSource* source, const std::string& field);
    // A check of the typed text before it goes into the field: a message refuses it.
    using Refusal = std::function<std::optional<QString>(const QString& text)>;
    void setRefusal(Refusal refusal) { m_refusal = std::move(refusal); }
    // Hands a typed text to the field now; throws the field's refusal.
    void updateRecord() override;

protected:
    void focusOutEvent(QFocusEvent* event) override;

private:
    void cursorReset() override { refresh(); }
    void rowChanged(std::size_t) override { refresh(); }
    void currentChanged() override { refresh(); }
    void refresh();

    std::string m_field;
    Refusal m_refusal;
    void finished();
    void handOverAfterClick();

    bool m_dirty = false;
    bool m_refreshing = false;
    std::optional<Qt::FocusReason> m_leaving;
    bool m_handOverPending = false;
};

} // namespace ui
