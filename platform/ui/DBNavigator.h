#pragma once

#include "platform/db/DataLink.h"

#include <QToolButton>
#include <QWidget>
#include <array>

namespace ui {

// First, prior, next and last over a cursor, each enabled only where the move can go somewhere.
class DBNavigator : public QWidget, private db::DataLink {
    Q_OBJECT
public:
    enum Button { First, Prior, Next, Last };
    explicit DBNavigator(QWidget* parent = nullptr);

    void setDataSource(db::DataSource* source);
    QToolButton* button(Button which) const { return m_buttons[which]; }

signals:
    // After a button has moved the cursor.
    void clicked(int button);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void cursorReset() override { refresh(); }
    void currentChanged() override { refresh(); }
    void refresh();
    void press(Button which);

    std::array<QToolButton*, 4> m_buttons{};
};

} // namespace ui
