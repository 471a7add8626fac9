#include "platform/ui/DBGrid.h"

#include <QHeaderView>
#include <QtTest>

// A form makes a page's controls before the page has its place on the screen, so a grid first gets the toolkit's
// default font and only then the screen's: its rows must follow the font it ends up with.
class GridRowsTest : public QObject {
    Q_OBJECT
private slots:
    void rowsFollowTheFontTheGridEndsUpWith();
};

void GridRowsTest::rowsFollowTheFontTheGridEndsUpWith() {
    QWidget screen;
    QFont small = screen.font();
    small.setPixelSize(9);
    QFont large = screen.font();
    large.setPixelSize(30);
    screen.setFont(small);

    auto* page = new QWidget; // not yet on the screen, as a form makes it
    auto* grid = new ui::DBGrid(page);
    page->setParent(&screen);
    QCOMPARE(grid->verticalHeader()->defaultSectionSize(), QFontMetrics(small).height() + 6);

    grid->setFont(large);
    QCOMPARE(grid->verticalHeader()->defaultSectionSize(), QFontMetrics(large).height() + 6);
}

QTEST_MAIN(GridRowsTest)
#include "GridRowsTest.moc"
