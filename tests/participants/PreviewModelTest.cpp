// The upload preview's rows: a caption and its sub-items per item, four columns shown, extra sub-items kept.
#include "participants/PreviewModel.h"

#include <QAbstractItemModelTester>
#include <QTreeView>
#include <QtTest>

namespace {

const QStringList kHeadings{QStringLiteral("NO. URUT"), QStringLiteral("NO. UNDIAN"), QStringLiteral("NAMA PESERTA"),
                            QStringLiteral("NO. HANDPHONE")};

// What the view shows in row r, column by column.
QStringList shownRow(const QAbstractItemModel& model, int r) {
    QStringList cells;
    for (int c = 0; c < model.columnCount(); ++c)
        cells << model.index(r, c).data().toString();
    return cells;
}

} // namespace

class PreviewModelTest : public QObject {
    Q_OBJECT
private slots:
    void itemsShowUnderTheirColumns_data();
    void itemsShowUnderTheirColumns();
    void growsAndClearsUnderTheTester();
    void aLongPreviewMakesNoWidgets();
};

void PreviewModelTest::itemsShowUnderTheirColumns_data() {
    QTest::addColumn<QStringList>("item");  // caption, then sub-items
    QTest::addColumn<QStringList>("shown"); // the four columns
    QTest::newRow("full") << QStringList{"1", "U-1", "Ani", "0812"} << QStringList{"1", "U-1", "Ani", "0812"};
    QTest::newRow("caption only") << QStringList{"7"} << QStringList{"7", "", "", ""};
    QTest::newRow("empty item, as an empty sheet row gives") << QStringList{""} << QStringList{"", "", "", ""};
    QTest::newRow("fifth column kept, not shown")
        << QStringList{"2", "U-2", "Budi", "0813", "extra"} << QStringList{"2", "U-2", "Budi", "0813"};
    QTest::newRow("UTF-8 and blanks") << QStringList{" 3 ", "", "Siti Nur\u2019aini", "+62 812"}
                                      << QStringList{" 3 ", "", "Siti Nur\u2019aini", "+62 812"};
}

// Items built one cell at a time, as the walk over a sheet adds them, and in one go.
void PreviewModelTest::itemsShowUnderTheirColumns() {
    QFETCH(QStringList, item);
    QFETCH(QStringList, shown);

    PreviewModel cellByCell(kHeadings);
    QAbstractItemModelTester tester(&cellByCell, QAbstractItemModelTester::FailureReportingMode::QtTest);
    const int row = cellByCell.addItem(item.first());
    for (int i = 1; i < item.size(); ++i)
        cellByCell.addSubItem(row, item.at(i));
    QCOMPARE(row, 0);
    QCOMPARE(shownRow(cellByCell, 0), shown);
    QCOMPARE(cellByCell.item(0), item);

    PreviewModel inOneGo(kHeadings);
    inOneGo.appendItems({QStringList{QStringLiteral("0")}, item});
    QCOMPARE(inOneGo.rowCount(), 2);
    QCOMPARE(shownRow(inOneGo, 1), shown);
    QCOMPARE(inOneGo.item(1), item);
}

void PreviewModelTest::growsAndClearsUnderTheTester() {
    PreviewModel model(kHeadings);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(model.columnCount(), 4);
    for (int c = 0; c < 4; ++c)
        QCOMPARE(model.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString(), kHeadings[c]);

    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    const int row = model.addItem(QStringLiteral("1"));
    model.addSubItem(row, QStringLiteral("U-1"));
    model.addSubItem(row, QStringLiteral("Ani"));
    model.addSubItem(row, QStringLiteral("0812"));
    model.addSubItem(row, QStringLiteral("beyond the columns"));
    QCOMPARE(inserted.size(), 1);
    QCOMPARE(changed.size(), 3); // the fifth text has no column, so nothing shown changes

    std::vector<QStringList> more;
    for (int i = 2; i <= 1000; ++i)
        more.push_back({QString::number(i), QStringLiteral("U-%1").arg(i)});
    model.appendItems(std::move(more));
    QCOMPARE(inserted.size(), 2);
    QCOMPARE(model.rowCount(), 1000);
    QCOMPARE(shownRow(model, 999), (QStringList{"1000", "U-1000", "", ""}));
    QCOMPARE(model.item(0).size(), 5);

    model.clear();
    QCOMPARE(model.rowCount(), 0);
    model.clear(); // clearing an empty list is allowed, as "Import" clears before every dialog
    QCOMPARE(model.itemCount(), 0);
}

void PreviewModelTest::aLongPreviewMakesNoWidgets() {
    PreviewModel model(kHeadings);
    QTreeView view;
    view.setUniformRowHeights(true);
    view.setModel(&model);
    view.resize(809, 473);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const auto widgetsEmpty = view.findChildren<QWidget*>().size();

    std::vector<QStringList> items;
    for (int i = 1; i <= 100000; ++i)
        items.push_back({QString::number(i), QStringLiteral("U-%1").arg(i), QStringLiteral("Nama %1").arg(i), "08"});
    model.appendItems(std::move(items));
    view.scrollToBottom();
    QApplication::processEvents();
    QCOMPARE(view.findChildren<QWidget*>().size(), widgetsEmpty);
    QVERIFY(view.viewport()->rect().intersects(view.visualRect(model.index(99999, 0))));
    QCOMPARE(model.index(99999, 0).data().toString(), QStringLiteral("100000"));
}

QTEST_MAIN(PreviewModelTest)
#include "PreviewModelTest.moc"
