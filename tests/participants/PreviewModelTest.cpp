// The upload preview's rows: a caption and its sub-items per item, four columns shown, extra sub-items kept; the
// texts packed as UTF-8 into pages, read back whole whichever way the items came in.
#include "participants/PreviewModel.h"

#include <QAbstractItemModelTester>
#include <QTreeView>
#include <QtTest>
#include <stdexcept>

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

std::string utf8(const QString& text) {
    return text.toStdString();
}

// Items as the import builds them: UTF-8 texts into a batch that then joins the list.
PreviewModel::Items batchOf(const std::vector<QStringList>& items) {
    PreviewModel::Items batch;
    for (const QStringList& item : items) {
        batch.addItem(utf8(item.first()));
        for (qsizetype i = 1; i < item.size(); ++i)
            batch.addSubItem(utf8(item.at(i)));
    }
    return batch;
}

// A participant-like list whose texts vary in length (none, under and over the one-byte length, some bigger than a
// page), in script (ASCII, accented Latin, Arabic, CJK, a character outside the BMP) and in the number of sub-items.
std::vector<QStringList> mixedItems(int count, unsigned seed) {
    const QString pieces[] = {QStringLiteral("a"),      QStringLiteral("\u00e9"),     QStringLiteral("\u0628"),
                              QStringLiteral("\u4e2d"), QStringLiteral("\U0001F600"), QStringLiteral(" ")};
    std::vector<QStringList> items;
    unsigned state = seed;
    const auto next = [&state] { return (state = state * 1103515245u + 12345u) >> 8; };
    for (int row = 0; row < count; ++row) {
        QStringList item;
        const int texts = 1 + static_cast<int>(next() % 7);
        for (int t = 0; t < texts; ++t) {
            int length = static_cast<int>(next() % 150);
            if (next() % 2000 == 0) length = 400000;
            QString text = QString::number(row) + QLatin1Char('.');
            if (length % 11 == 0) text.clear();
            for (int i = 0; i < length; ++i)
                text += pieces[(static_cast<unsigned>(row) + static_cast<unsigned>(i)) % 6];
            item << text;
        }
        items.push_back(item);
    }
    return items;
}

} // namespace

class PreviewModelTest : public QObject {
    Q_OBJECT
private slots:
    void itemsShowUnderTheirColumns_data();
    void itemsShowUnderTheirColumns();
    void growsAndClearsUnderTheTester();
    void manyItemsReadBackWhole_data();
    void manyItemsReadBackWhole();
    void subItemsAddedToEarlierItems();
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
    QTest::newRow("every text empty") << QStringList{"", "", "", "", "", ""} << QStringList{"", "", "", ""};
    QTest::newRow("scripts and a character outside the BMP")
        << QStringList{"\u0661\u0662", "\u4e2d\u6587", "Jos\u00e9 \U0001F600", "\u0628"}
        << QStringList{"\u0661\u0662", "\u4e2d\u6587", "Jos\u00e9 \U0001F600", "\u0628"};
    QTest::newRow("texts of 127, 128 and 20,000 bytes")
        << QStringList{QString(127, 'x'), QString(128, 'y'), QString(20000, 'z'), "4"}
        << QStringList{QString(127, 'x'), QString(128, 'y'), QString(20000, 'z'), "4"};
    QTest::newRow("ten sub-items, six of them unseen")
        << QStringList{"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", ""} << QStringList{"1", "2", "3", "4"};
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

    PreviewModel fromUtf8(kHeadings);
    QAbstractItemModelTester batchTester(&fromUtf8, QAbstractItemModelTester::FailureReportingMode::QtTest);
    fromUtf8.addItem(QStringLiteral("0"));
    fromUtf8.appendItems(batchOf({item, QStringList{QStringLiteral("after")}}));
    QCOMPARE(fromUtf8.rowCount(), 3);
    QCOMPARE(shownRow(fromUtf8, 1), shown);
    QCOMPARE(fromUtf8.item(1), item);
    QCOMPARE(fromUtf8.item(2), QStringList{QStringLiteral("after")});
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

// Thousands of items spread over many pages, some texts bigger than a page, added in each of the ways the list
// is filled; then cleared and filled again with other items.
void PreviewModelTest::manyItemsReadBackWhole_data() {
    QTest::addColumn<QString>("way");
    QTest::newRow("cell by cell") << "cells";
    QTest::newRow("UTF-8 batches in growing steps, as the import lists them") << "batches";
    QTest::newRow("lists of texts, a few at a time") << "lists";
}

void PreviewModelTest::manyItemsReadBackWhole() {
    QFETCH(QString, way);
    // No item model tester here: it walks the whole model on every insertion. The tests above watch the signals.
    PreviewModel model(kHeadings);
    const auto fill = [&](const std::vector<QStringList>& items) {
        if (way == QLatin1String("cells")) {
            for (const QStringList& item : items) {
                const int row = model.addItem(item.first());
                for (qsizetype i = 1; i < item.size(); ++i)
                    model.addSubItem(row, item.at(i));
            }
        } else if (way == QLatin1String("batches")) {
            // One batch object, reused after each hand-over, as the import reuses it.
            PreviewModel::Items pending;
            for (std::size_t i = 0; i < items.size(); ++i) {
                const QStringList& item = items[i];
                pending.addItem(utf8(item.first()));
                for (qsizetype t = 1; t < item.size(); ++t)
                    pending.addSubItem(utf8(item.at(t)));
                if (pending.count() >= model.itemCount() || i + 1 == items.size()) {
                    model.appendItems(std::move(pending));
                    QCOMPARE(pending.count(), 0);
                }
            }
        } else {
            for (std::size_t i = 0; i < items.size(); i += 7)
                model.appendItems(std::vector<QStringList>(
                    items.begin() + static_cast<std::ptrdiff_t>(i),
                    items.begin() + static_cast<std::ptrdiff_t>(std::min(i + 7, items.size()))));
        }
    };
    const auto check = [&](const std::vector<QStringList>& items) {
        QCOMPARE(model.itemCount(), static_cast<int>(items.size()));
        for (int row = 0; row < model.itemCount(); ++row) {
            const QStringList& item = items[static_cast<std::size_t>(row)];
            QCOMPARE(model.item(row), item);
            for (int c = 0; c < model.columnCount(); ++c)
                QCOMPARE(model.index(row, c).data().toString(), item.value(c));
        }
    };

    const auto first = mixedItems(6000, 1);
    fill(first);
    check(first);

    model.clear();
    QCOMPARE(model.rowCount(), 0);
    const auto second = mixedItems(3000, 2);
    fill(second);
    check(second);
}

// An item given a sub-item after later items were added keeps it in order, and the view is told of it; so does an
// item of a batch that joins the list behind others.
void PreviewModelTest::subItemsAddedToEarlierItems() {
    PreviewModel model(kHeadings);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.appendItems({{"1", "U-1"}, {"2"}, {"3", "U-3", "Cici"}});
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    model.addSubItem(1, QStringLiteral("U-2"));
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed.at(0).at(0).toModelIndex(), model.index(1, 1));
    model.addSubItem(0, QStringLiteral("Ani"));
    model.addSubItem(0, QStringLiteral("0811"));
    model.addSubItem(0, QStringLiteral("unseen"));
    model.addSubItem(2, QStringLiteral("0813"));
    QCOMPARE(changed.size(), 4);
    QCOMPARE(model.item(0), (QStringList{"1", "U-1", "Ani", "0811", "unseen"}));
    QCOMPARE(shownRow(model, 1), (QStringList{"2", "U-2", "", ""}));
    QCOMPARE(shownRow(model, 2), (QStringList{"3", "U-3", "Cici", "0813"}));

    PreviewModel::Items batch = batchOf({{"4"}, {"5", "U-5"}});
    QCOMPARE(batch.addSubItem(0, "U-4"), 1);
    model.appendItems(std::move(batch));
    QCOMPARE(model.item(3), (QStringList{"4", "U-4"}));
    QCOMPARE(model.item(4), (QStringList{"5", "U-5"}));
    QCOMPARE(model.item(0).size(), 5);

    QVERIFY_THROWS_EXCEPTION(std::out_of_range, model.addSubItem(5, QStringLiteral("no such item")));
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, PreviewModel::Items().addSubItem("no item yet"));
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
