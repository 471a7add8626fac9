#pragma once

#include "platform/db/CursorListener.h"

#include <QToolButton>
#include <QWidget>
#include <array>

namespace db {
class DataSource;
}

namespace ui {

// First, prior, next and last over a cursor, each enabled only where the move can go somewhere.
class DBNavigator : public QWidget, private db::CursorListener {
    Q_OBJECT
public:
    enum Button { First, Prior, Next, Last };
    explicit DBNavigator(QWidget* parent = nullptr);
    ~DBNavigator() override;

    void setDataSource(db::DataSource* source);
    QToolButton* button(Button which) const { return m_buttons[which]; }

signals:
    // After a button has moved the cursor.
    void clicked(int button);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void cursorReset() override { refresh(); }
    void sourceDestroyed() override { m_source = nullptr; }
    void currentChanged() override { refresh(); }
    void refresh();
    void press(Button which);

    db::DataSource* m_source = nullptr;
    std::array<QToolButton*, 4> m_buttons{};
};

} // namespace ui
