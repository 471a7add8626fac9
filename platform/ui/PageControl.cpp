#include "platform/ui/PageControl.h"

#include <QTabBar>

namespace ui {

namespace {

class FixedTabBar : public QTabBar {
public:
    FixedTabBar() {
        setUsesScrollButtons(false);
        setElideMode(Qt::ElideNone);
        setDrawBase(false);
    }

    QSize tabSize() const { return m_tabSize; }
    void setTabSize(QSize size) {
        m_tabSize = size;
        updateGeometry();
    }

protected:
    QSize tabSizeHint(int) const override { return m_tabSize; }
    QSize minimumTabSizeHint(int) const override { return m_tabSize; }

private:
    QSize m_tabSize;
};

FixedTabBar* fixedTabBar(const QTabWidget* pages) {
    return static_cast<FixedTabBar*>(pages->tabBar());
}

} // namespace

PageControl::PageControl(QWidget* parent) : QTabWidget(parent) {
    setTabBar(new FixedTabBar);
}

QSize PageControl::tabSize() const {
    return fixedTabBar(this)->tabSize();
}

void PageControl::setTabSize(QSize size) {
    fixedTabBar(this)->setTabSize(size);
}

} // namespace ui
