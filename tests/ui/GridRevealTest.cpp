#include "platform/db/Connection.h"
#include "platform/db/DataSource.h"
#include "platform/db/TableCursor.h"
#include "platform/ui/DBGrid.h"

#include <QHeaderView>
#include <QTemporaryDir>
#include <QtTest>
#include <string>

// A grid told of a long list a slice at a time, the event loop turning between slices: at every turn the views know
// exactly the rows the model gives, and at the end every row of the cursor, also when the cursor changes meanwhile.
class GridRevealTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void everyRowReachesTheGridInSlices();
    void cursorReadAgainDuringATurn();

private:
    // A table of `rows` rows (x, 'n' || x), read by the cursor, shown by the grid.
    void fill(int rows);
    int viewRows() const { return m_grid->verticalHeader()->count(); }

    QTemporaryDir m_dir;
    db::Connection m_connection;
    db::TableCursor m_cursor;
    db::DataSource m_source;
    ui::DBGrid* m_grid = nullptr;
};

// More rows than one slice, not a whole number of slices.
constexpr int kRows = 600'001;

void GridRevealTest::init() {
    const std::string path = (m_dir.path() + QStringLiteral("/t.db")).toStdString();
    db::Connection::createDatabase(path, "CREATE TABLE t (x INTEGER, name TEXT)");
    m_connection.setDatabasePath(path);
    m_connection.open();
    m_cursor.setConnection(&m_connection);
    m_cursor.setTableName("t");
    m_cursor.open();
    m_source.setDataSet(&m_cursor);
    m_grid = new ui::DBGrid;
    m_grid->setDataSource(&m_source);
}

void GridRevealTest::cleanup() {
    delete m_grid;
    m_grid = nullptr;
    m_cursor.close();
    m_connection.close();
    QFile::remove(m_dir.path() + QStringLiteral("/t.db"));
}

void GridRevealTest::fill(int rows) {
    m_connection.exec("DELETE FROM t");
    m_connection.exec("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < " +
                      std::to_string(rows) + ") INSERT INTO t SELECT x, 'n' || x FROM c");
}

void GridRevealTest::everyRowReachesTheGridInSlices() {
    fill(kRows);
    int turns = 0;
    int lastSeen = 0;
    m_grid->setRevealPump([&] {
        ++turns;
        const int rows = m_grid->model()->rowCount();
        QCOMPARE(viewRows(), rows);
        QVERIFY(rows > lastSeen);
        lastSeen = rows;
    });
    m_cursor.requery();
    QVERIFY(turns >= 2);
    QCOMPARE(m_grid->model()->rowCount(), kRows);
    QCOMPARE(viewRows(), kRows);
    QCOMPARE(m_grid->model()->data(m_grid->model()->index(kRows - 1, 1)).toString(), QStringLiteral("n600001"));

    // Without a pump the grid learns of every row at once, as before.
    m_grid->setRevealPump({});
    fill(10);
    m_cursor.requery();
    QCOMPARE(viewRows(), 10);
}

void GridRevealTest::cursorReadAgainDuringATurn() {
    fill(kRows);
    int turns = 0;
    m_grid->setRevealPump([&] {
        if (++turns > 1) return;
        // Something the event loop runs reads a shorter table: the grid shows that one, not the rest of the longer.
        fill(7);
        m_cursor.requery();
    });
    m_cursor.requery();
    QCOMPARE(m_grid->model()->rowCount(), 7);
    QCOMPARE(viewRows(), 7);
    QCOMPARE(m_grid->model()->data(m_grid->model()->index(6, 1)).toString(), QStringLiteral("n7"));
}

QTEST_MAIN(GridRevealTest)
#include "GridRevealTest.moc"
