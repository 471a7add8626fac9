#include "platform/ui/WindowPlacement.h"

#include <QtTest>

// Where a screen's frame goes on first showing, for desktops with and without panels.
class WindowPlacementTest : public QObject {
    Q_OBJECT
private slots:
    void centredFramePosition_data() {
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QSize>("frame");
        QTest::addColumn<QPoint>("position");
        const QSize draw(1024, 768);
        QTest::newRow("1280x1024, no panel") << QRect(0, 0, 1280, 1024) << draw << QPoint(128, 128);
        QTest::newRow("1920x1080, 40 px panel below") << QRect(0, 0, 1920, 1040) << draw << QPoint(448, 136);
        // The window is taller than the room: its title bar starts at the top, not 20 pixels above it.
        QTest::newRow("1366x768, 40 px panel below") << QRect(0, 0, 1366, 728) << draw << QPoint(171, 0);
        QTest::newRow("1366x768, 40 px panel above") << QRect(0, 40, 1366, 728) << draw << QPoint(171, 40);
        QTest::newRow("1366x768, panel at the left") << QRect(64, 0, 1302, 768) << draw << QPoint(203, 0);
        QTest::newRow("800x600, larger both ways") << QRect(0, 0, 800, 600) << draw << QPoint(0, 0);
        QTest::newRow("second monitor right of the first")
            << QRect(1920, 0, 1280, 1024) << QSize(538, 690) << QPoint(2291, 167);
        QTest::newRow("exactly the room") << QRect(0, 0, 1024, 768) << draw << QPoint(0, 0);
        QTest::newRow("one pixel taller than the room") << QRect(10, 20, 1024, 767) << draw << QPoint(10, 20);
    }

    void centredFramePosition() {
        QFETCH(QRect, available);
        QFETCH(QSize, frame);
        QFETCH(QPoint, position);
        QCOMPARE(ui::centredFramePosition(available, frame), position);
    }
};

QTEST_MAIN(WindowPlacementTest)
#include "WindowPlacementTest.moc"
