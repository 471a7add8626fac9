// The upload preview's rows: a caption and its sub-items per item, four columns shown, extra sub-items kept; the
// texts packed as UTF-8 into pages, read back whole whichever way the batches came in.
#include "participants/PreviewModel.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QTableView>
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

// An item alone, and an item of a batch that joins the list behind others.
void PreviewModelTest::itemsShowUnderTheirColumns() {
    QFETCH(QStringList, item);
    QFETCH(QStringList, shown);

    PreviewModel alone(kHeadings);
    QAbstractItemModelTester tester(&alone, QAbstractItemModelTester::FailureReportingMode::QtTest);
    alone.appendItems(batchOf({item}));
    QCOMPARE(alone.rowCount(), 1);
    QCOMPARE(shownRow(alone, 0), shown);
    QCOMPARE(alone.item(0), item);

    PreviewModel behind(kHeadings);
    QAbstractItemModelTester batchTester(&behind, QAbstractItemModelTester::FailureReportingMode::QtTest);
    behind.appendItems(batchOf({QStringList{QStringLiteral("0")}}));
    behind.appendItems(batchOf({item, QStringList{QStringLiteral("after")}}));
    QCOMPARE(behind.rowCount(), 3);
    QCOMPARE(shownRow(behind, 1), shown);
    QCOMPARE(behind.item(1), item);
    QCOMPARE(behind.item(2), QStringList{QStringLiteral("after")});
}

void PreviewModelTest::growsAndClearsUnderTheTester() {
    PreviewModel model(kHeadings);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(model.columnCount(), 4);
    for (int c = 0; c < 4; ++c)
        QCOMPARE(model.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString(), kHeadings[c]);

    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    model.appendItems(batchOf({{"1", "U-1", "Ani", "0812", "beyond the columns"}}));
    model.appendItems(PreviewModel::Items()); // nothing to add: no signal
    QCOMPARE(inserted.size(), 1);

    std::vector<QStringList> more;
    for (int i = 2; i <= 1000; ++i)
        more.push_back({QString::number(i), QStringLiteral("U-%1").arg(i)});
    model.appendItems(batchOf(more));
    QCOMPARE(inserted.size(), 2);
    QCOMPARE(inserted.at(1).at(1).toInt(), 1);
    QCOMPARE(inserted.at(1).at(2).toInt(), 999);
    QCOMPARE(model.rowCount(), 1000);
    QCOMPARE(shownRow(model, 999), (QStringList{"1000", "U-1000", "", ""}));
    QCOMPARE(model.item(0).size(), 5);

    model.clear();
    QCOMPARE(model.rowCount(), 0);
    model.clear(); // clearing an empty list is allowed, as "Import" clears before every dialog
    QCOMPARE(model.itemCount(), 0);
}

// Thousands of items spread over many pages, some texts bigger than a page, added in batches of several sizes;
// then cleared and filled again with other items.
void PreviewModelTest::manyItemsReadBackWhole_data() {
    QTest::addColumn<QString>("way");
    QTest::newRow("batches in growing steps, as the import lists them") << "growing";
    QTest::newRow("one item per batch") << "single";
    QTest::newRow("one batch") << "whole";
}

void PreviewModelTest::manyItemsReadBackWhole() {
    QFETCH(QString, way);
    // No item model tester here: it walks the whole model on every insertion. The tests above watch the signals.
    PreviewModel model(kHeadings);
    const auto fill = [&](const std::vector<QStringList>& items) {
        // One batch object, reused after each hand-over, as the import reuses it.
        PreviewModel::Items pending;
        for (std::size_t i = 0; i < items.size(); ++i) {
            const QStringList& item = items[i];
            pending.addItem(utf8(item.first()));
            for (qsizetype t = 1; t < item.size(); ++t)
                pending.addSubItem(utf8(item.at(t)));
            const bool last = i + 1 == items.size();
            const bool handOver = way == QLatin1String("growing")  ? pending.count() >= model.itemCount() || last
                                  : way == QLatin1String("single") ? true
                                                                   : last;
            if (handOver) {
                model.appendItems(std::move(pending));
                QCOMPARE(pending.count(), 0);
            }
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

void PreviewModelTest::aLongPreviewMakesNoWidgets() {
    PreviewModel model(kHeadings);
    QTableView view; // as the participants screen shows it: no row titles, rows of one height
    view.verticalHeader()->hide();
    view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view.setModel(&model);
    view.resize(809, 473);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const auto widgetsEmpty = view.findChildren<QWidget*>().size();

    std::vector<QStringList> items;
    for (int i = 1; i <= 100000; ++i)
        items.push_back({QString::number(i), QStringLiteral("U-%1").arg(i), QStringLiteral("Nama %1").arg(i), "08"});
    model.appendItems(batchOf(items));
    view.scrollToBottom();
    QApplication::processEvents();
    QCOMPARE(view.findChildren<QWidget*>().size(), widgetsEmpty);
    QVERIFY(view.viewport()->rect().intersects(view.visualRect(model.index(99999, 0))));
    QCOMPARE(model.index(99999, 0).data().toString(), QStringLiteral("100000"));
}

QTEST_MAIN(PreviewModelTest)
#include "PreviewModelTest.moc"
