#include "platform/ui/DBNavigator.h"

#include "platform/db/TableCursor.h"
#include "platform/ui/ErrorHandler.h"

namespace ui {

DBNavigator::DBNavigator(QWidget* parent) : QWidget(parent) {
    const char* names[] = {"First", "Prior", "Next", "Last"};
    for (int i = 0; i < 4; ++i) {
        auto* b = new QToolButton(this);
        b->setObjectName(QString::fromLatin1(names[i]));
        b->setToolTip(QString::fromLatin1(names[i]));
        b->setCursor(Qt::PointingHandCursor);
        b->setIconSize(QSize(16, 16));
        m_buttons[static_cast<std::size_t>(i)] = b;
        connect(b, &QToolButton::clicked, this, [this, i] { press(static_cast<Button>(i)); });
    }
    refresh();
}

void DBNavigator::setDataSource(db::DataSource* source) {
    link(source);
    refresh();
}

void DBNavigator::resizeEvent(QResizeEvent*) {
    const int w = width() / 4;
    for (int i = 0; i < 4; ++i)
        m_buttons[static_cast<std::size_t>(i)]->setGeometry(i * w, 0, i == 3 ? width() - 3 * w : w, height());
}

void DBNavigator::refresh() {
    auto* c = dataSet();
    const bool usable = c && c->active() && c->displayCount() > 0;
    const bool bof = usable && c->bof();
    const bool eof = usable && c->eof();
    m_buttons[First]->setEnabled(usable && !bof);
    m_buttons[Prior]->setEnabled(usable && !bof);
    m_buttons[Next]->setEnabled(usable && !eof);
    m_buttons[Last]->setEnabled(usable && !eof);
}

void DBNavigator::press(Button which) {
    guarded(this, [&] {
        auto* c = dataSet();
        if (!c) return;
        switch (which) {
        case First:
            c->first();
            break;
        case Prior:
            c->prior();
            break;
        case Next:
            c->next();
            break;
        case Last:
            c->last();
            break;
        }
        emit clicked(which);
    });
}

} // namespace ui
