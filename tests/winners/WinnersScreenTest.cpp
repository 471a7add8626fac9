#include "data/uData.h"
#include "draw/uAcak.h"
#include "platform/ui/DBGrid.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/Timer.h"
#include "tests/support/Files.h"
#include "tests/support/FocusWalk.h"
#include "tests/support/TestApplication.h"
#include "tests/support/TestDatabase.h"
#include "winners/uPemenang.h"

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#ifdef __linux__
#include <linux/fs.h>
#include <sys/ioctl.h>
#endif

using Kind = ui::MessageBox::Kind;
using Winner = std::vector<std::optional<std::string>>;
using Winners = std::vector<Winner>;
Q_DECLARE_METATYPE(Winners)

namespace {

const QByteArray kHeader = QByteArrayLiteral("No\tMSISDN\tSMS\tHadiah\t\r\n");

std::string sqlValue(const std::optional<std::string>& value) {
    if (!value) return "NULL";
    std::string out = "'";
    for (char c : *value) {
        if (c == '\'') out += '\'';
        out += c;
    }
    return out + "'";
}

// The directory refuses new files, even to root: write permission off and, where the file system has it, the
// immutable flag (which root cannot pass either). Undone on destruction so the temporary directory can go.
class ReadOnlyDirectory {
public:
    explicit ReadOnlyDirectory(const QString& path) : m_path(QFile::encodeName(path)) {
        ::chmod(m_path.constData(), 0555);
#ifdef __linux__
        const int fd = ::open(m_path.constData(), O_RDONLY | O_DIRECTORY);
        int flags = 0;
        if (fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
            const int immutable = flags | FS_IMMUTABLE_FL;
            m_immutable = ::ioctl(fd, FS_IOC_SETFLAGS, &immutable) == 0;
        }
        if (fd >= 0) ::close(fd);
#endif
    }
    ~ReadOnlyDirectory() {
#ifdef __linux__
        if (m_immutable) {
            const int fd = ::open(m_path.constData(), O_RDONLY | O_DIRECTORY);
            int flags = 0;
            if (fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
                flags &= ~FS_IMMUTABLE_FL;
                ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
            }
            if (fd >= 0) ::close(fd);
        }
#endif
        ::chmod(m_path.constData(), 0755);
    }
    // Whether creating a file in it really fails for this process.
    bool refuses() const {
        const QByteArray probe = m_path + "/probe";
        const int fd = ::open(probe.constData(), O_WRONLY | O_CREAT | O_EXCL, 0666);
        if (fd < 0) return true;
        ::close(fd);
        ::unlink(probe.constData());
        return false;
    }

private:
    QByteArray m_path;
    bool m_immutable = false;
};

// A process limit lowered for the duration of one step.
class LoweredLimit {
public:
    LoweredLimit(int resource, rlim_t value) : m_resource(resource) {
        ::getrlimit(m_resource, &m_saved);
        rlimit lowered = m_saved;
        lowered.rlim_cur = value;
        ::setrlimit(m_resource, &lowered);
    }
    ~LoweredLimit() { ::setrlimit(m_resource, &m_saved); }

private:
    int m_resource;
    rlimit m_saved{};
};

} // namespace

class WinnersScreenTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void screenAsLaidOut();
    void showingReloadsAndKeepsPlace();
    void winnerSavedOnDrawScreenAppears();
    void columnsFitTheirContents_data();
    void columnsFitTheirContents();
    void winnersOnceBoxInTheButtonRow();
    void winnersOnceIsStoredAtOnce();
    void winnersOnceCannotBeStored_data();
    void winnersOnceCannotBeStored();

    void exportWritesExactBytes_data();
    void exportWritesExactBytes();
    void nonAsciiNameInLocaleEncoding();
    void exportPostsPendingEditAndLeavesCursorAtEnd();
    void exportTwiceReplacesFile();
    void cancelledDialogWritesNothing();
    void dialogsSuggestDatedNames();

    void keyboardLeavesTheGridWithCtrlTab();
    void deleteRemovesCurrentRowOnly();
    void deleteAsksAndMovesToTheNextRow_data();
    void deleteAsksAndMovesToTheNextRow();
    void numberingAfterDeletionHasNoGap();
    void deleteDoesNothingAtEndOfData();

    void exportFailureKeepsOldFile_data();
    void exportFailureKeepsOldFile();
    void fullDiskKeepsOldFile();
    void closedCursorStopsExport();

private:
    void addWinners(const Winners& winners);
    void showScreen();
    void clickRow(int row);
    QByteArray exportTo(const QString& path);
    QStringList errors() const { return TestApplication::texts(Kind::Error); }
    QPushButton* button(const char* name) const { return fPemenang->findChild<QPushButton*>(QLatin1String(name)); }

    std::unique_ptr<TestDatabase> m_db;
    std::unique_ptr<TestApplication> m_app;
    std::unique_ptr<QAbstractItemModelTester> m_modelTester;
    std::unique_ptr<QTemporaryDir> m_out;
};

void WinnersScreenTest::init() {
    m_db = std::make_unique<TestDatabase>();
    m_out = std::make_unique<QTemporaryDir>();
    m_app = std::make_unique<TestApplication>(m_db->directory());
    m_modelTester = std::make_unique<QAbstractItemModelTester>(fPemenang->DBGrid1->model(),
                                                               QAbstractItemModelTester::FailureReportingMode::QtTest);
    fAcak->show();
    QVERIFY(QTest::qWaitForWindowExposed(fAcak));
}

void WinnersScreenTest::cleanup() {
    m_modelTester.reset();
    m_app.reset();
    m_db.reset();
    m_out.reset();
}

void WinnersScreenTest::addWinners(const Winners& winners) {
    for (const auto& w : winners)
        m_db->exec("INSERT INTO tb_pemenang VALUES(" + sqlValue(w[0]) + "," + sqlValue(w[1]) + "," + sqlValue(w[2]) +
                   ")");
}

// "Lihat Pemenang" on the draw screen.
void WinnersScreenTest::showScreen() {
    QTest::mouseClick(fAcak->BitBtn6, Qt::LeftButton);
    QVERIFY(fPemenang->isVisible());
}

void WinnersScreenTest::clickRow(int row) {
    auto* grid = fPemenang->DBGrid1;
    const QRect cell = grid->visualRect(grid->model()->index(row, 1));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
}

QByteArray WinnersScreenTest::exportTo(const QString& path) {
    ui::FileDialog::setNextFileName(path);
    QTest::mouseClick(button("BitBtn2"), Qt::LeftButton);
    return readFile(path);
}

void WinnersScreenTest::screenAsLaidOut() {
    showScreen();
    QCOMPARE(fPemenang->windowTitle(), QStringLiteral("DATA PEMENANG"));
    QCOMPARE(fPemenang->size(), QSize(538, 662));
    QVERIFY(fPemenang->windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(!fPemenang->isModal());
    QCOMPARE(fPemenang->palette().color(QPalette::Window), QColor(0xF5, 0xFF, 0xDF));
    QCOMPARE(fPemenang->font().pixelSize(), 11);
    QVERIFY(!fPemenang->windowIcon().isNull());

    auto* grid = fPemenang->DBGrid1;
    QCOMPARE(grid->geometry(), QRect(0, 0, 537, 577));
    QVERIFY(grid->verticalHeader()->isVisible());
    QCOMPARE(grid->model()->columnCount(), 3);
    const QStringList titles = {QStringLiteral("no_undian"), QStringLiteral("nama"), QStringLiteral("hadiah")};
    for (int c = 0; c < 3; ++c)
        QCOMPARE(grid->model()->headerData(c, Qt::Horizontal).toString(), titles[c]);

    struct Expected {
        const char* name;
        const char* caption;
        QRect geometry;
    };
    const Expected buttons[] = {{"BitBtn1", "Tutup", {416, 600, 99, 33}},
                                {"BitBtn2", "Export Excel", {120, 600, 97, 33}},
                                {"BitBtn3", "Delete", {16, 600, 97, 33}}};
    QList<QWidget*> tabOrder = {grid};
    for (const auto& e : buttons) {
        QPushButton* b = button(e.name);
        QVERIFY2(b, e.name);
        QCOMPARE(b->text(), QLatin1String(e.caption));
        QCOMPARE(b->geometry(), e.geometry);
        tabOrder << b;
    }
    QList<QWidget*> chain;
    for (QWidget* w = grid; chain.size() < tabOrder.size(); w = w->nextInFocusChain())
        if (tabOrder.contains(w)) chain << w;
    QCOMPARE(chain, tabOrder);
    QVERIFY(!button("BitBtn1")->icon().isNull());

    // "Tutup" hides the screen and leaves the cursor open.
    QTest::mouseClick(button("BitBtn1"), Qt::LeftButton);
    QVERIFY(!fPemenang->isVisible());
    QVERIFY(fPemenang->ADOTable1.active());
    QVERIFY(errors().isEmpty());
}

void WinnersScreenTest::showingReloadsAndKeepsPlace() {
    addWinners({{"A1", "Ani", "TV"}, {"B2", "Budi", "Radio"}});
    showScreen();
    const QRect available = fPemenang->screen()->availableGeometry();
    QVERIFY2((fPemenang->frameGeometry().center() - available.center()).manhattanLength() <= 40,
             "centred on the first show");

    clickRow(1);
    QCOMPARE(fPemenang->ADOTable1.fieldText(1), std::string("Budi"));
    fPemenang->move(fPemenang->pos() + QPoint(17, 23));
    const QPoint moved = fPemenang->pos();
    QTest::mouseClick(button("BitBtn1"), Qt::LeftButton);

    addWinners({{"C3", "Citra", "Kulkas"}});
    showScreen();
    QCOMPARE(fPemenang->pos(), moved);
    QCOMPARE(fPemenang->DBGrid1->model()->rowCount(), 3);
    QCOMPARE(fPemenang->ADOTable1.position(), std::size_t(0));
    QCOMPARE(fPemenang->DBGrid1->currentIndex().row(), 0);

    // Pressed again while open: reloaded again, first row current.
    clickRow(2);
    m_db->exec("DELETE FROM tb_pemenang WHERE nama='Ani'");
    showScreen();
    QCOMPARE(fPemenang->DBGrid1->model()->rowCount(), 2);
    QCOMPARE(fPemenang->ADOTable1.fieldText(1), std::string("Budi"));
}

void WinnersScreenTest::winnerSavedOnDrawScreenAppears() {
    m_db->addParticipants(3);
    // The participants are those at start-up: restart the program on the filled table.
    m_modelTester.reset();
    m_app.reset();
    m_app = std::make_unique<TestApplication>(m_db->directory());
    fAcak->show();
    QVERIFY(QTest::qWaitForWindowExposed(fAcak));

    showScreen();
    QCOMPARE(fPemenang->DBGrid1->model()->rowCount(), 0);

    QTest::mouseClick(fAcak->btn_acak, Qt::LeftButton);
    emit fAcak->Timer2->timeout();
    QTest::mouseClick(fAcak->btn_stop, Qt::LeftButton);
    QTest::mouseClick(fAcak->BitBtn4, Qt::LeftButton); // "Tampilkan"
    const QString number = fAcak->ed_msisdn->text();
    QVERIFY(number.startsWith(QLatin1Char('D')));
    QTest::keyClicks(fAcak->ed_hadiah, QStringLiteral("Sepeda"));
    QTest::mouseClick(fAcak->BitBtn2, Qt::LeftButton); // "&Simpan"
    QCOMPARE(m_db->count("tb_pemenang"), 1LL);

    // Not before the screen is shown again.
    QCOMPARE(fPemenang->DBGrid1->model()->rowCount(), 0);
    showScreen();
    auto* model = fPemenang->DBGrid1->model();
    QCOMPARE(model->rowCount(), 1);
    QCOMPARE(model->index(0, 0).data().toString(), number);
    QCOMPARE(model->index(0, 1).data().toString(), QStringLiteral("Nama ") + number.mid(1));
    QCOMPARE(model->index(0, 2).data().toString(), QStringLiteral("Sepeda"));
    QVERIFY(errors().isEmpty());
}

void WinnersScreenTest::columnsFitTheirContents_data() {
    QTest::addColumn<Winners>("winners");
    QTest::addColumn<QString>("whole"); // per column, 1 when its values show whole
    QTest::newRow("short values") << Winners{{"0811", "Ani", "TV"}} << "111";
    QTest::newRow("long number, name and prize")
        << Winners{{"0811", "Ani", "TV"},
                   {"2024-JKT-000123456", "Siti Nurhaliza binti Abdullah Rahman", "Sepeda motor listrik"}}
        << "111";
    QTest::newRow("a prize wider than the window")
        << Winners{{"2024-JKT-000123456", "Siti", std::string(300, 'H') + " dan voucher"}} << "110";
    QTest::newRow("a name and a prize wider than the window")
        << Winners{{"2024-JKT-000123456", std::string(100, 'N'), std::string(300, 'H')}} << "100";
}

// Names and prizes are read whole, not cut at a fixed width: each column is as wide as its title and its values,
// and the columns together stay within the window; when they cannot, the widest give way to a common width.
void WinnersScreenTest::columnsFitTheirContents() {
    QFETCH(Winners, winners);
    QFETCH(QString, whole);
    addWinners(winners);
    showScreen();
    auto* grid = fPemenang->DBGrid1;
    const QFontMetrics metrics(grid->font());
    int total = 0;
    for (int c = 0; c < 3; ++c) {
        int widest = grid->horizontalHeader()->fontMetrics().horizontalAdvance(
            grid->model()->headerData(c, Qt::Horizontal).toString());
        for (const Winner& w : winners)
            widest = std::max(widest, metrics.horizontalAdvance(QString::fromStdString(w[c].value_or(""))));
        const int width = grid->columnWidth(c);
        QCOMPARE(width > widest, whole[c] == QLatin1Char('1'));
        total += width;
    }
    QVERIFY(total <= grid->viewport()->width());
    if (whole == QLatin1String("100")) QCOMPARE(grid->columnWidth(1), grid->columnWidth(2));
}

// The box lies in what the button row leaves free, beside the room kept for a fourth 97-pixel button at 224, and
// its caption is shown whole at the screen's 11-pixel font.
void WinnersScreenTest::winnersOnceBoxInTheButtonRow() {
    showScreen();
    auto* box = fPemenang->findChild<QCheckBox*>(QStringLiteral("CheckBox1"));
    QVERIFY(box);
    QCOMPARE(box->text().replace(QLatin1Char('\n'), QLatin1Char(' ')), QStringLiteral("Pemenang tidak diundi lagi"));
    QVERIFY(!box->isChecked()); // off by default
    const QRect taken[] = {
        {16, 600, 97, 33}, {120, 600, 97, 33}, {224, 600, 97, 33}, {416, 600, 99, 33}, {0, 0, 537, 577}};
    for (const QRect& other : taken)
        QVERIFY2(!box->geometry().intersects(other),
                 qPrintable(QStringLiteral("overlaps %1,%2").arg(other.x()).arg(other.y())));
    QVERIFY(QRect(0, 0, 538, 662).contains(box->geometry()));
    QVERIFY2(box->sizeHint().width() <= box->width() && box->sizeHint().height() <= box->height(),
             qPrintable(QStringLiteral("needs %1x%2").arg(box->sizeHint().width()).arg(box->sizeHint().height())));
    if (const QByteArray folder = qgetenv("TOMBOLIKA_PICTURES"); !folder.isEmpty())
        fPemenang->grab().save(QDir(QString::fromLocal8Bit(folder)).filePath(QStringLiteral("winners.png")));
}

// Ticked, the setting is in setup at once and the draw follows it; it holds after a restart.
void WinnersScreenTest::winnersOnceIsStoredAtOnce() {
    showScreen();
    auto* box = fPemenang->findChild<QCheckBox*>(QStringLiteral("CheckBox1"));
    QTest::mouseClick(box, Qt::LeftButton);
    QVERIFY(box->isChecked());
    QVERIFY(fAcak->winnersOnce());
    QCOMPARE(m_db->rows("SELECT pemenang_tidak_diundi_lagi FROM setup"),
             (std::vector<std::vector<std::string>>{{"1"}}));

    m_modelTester.reset();
    m_app.reset();
    m_app = std::make_unique<TestApplication>(m_db->directory());
    QVERIFY(fAcak->winnersOnce());
    showScreen();
    box = fPemenang->findChild<QCheckBox*>(QStringLiteral("CheckBox1"));
    QVERIFY(box->isChecked());
    box->click();
    QVERIFY(!fAcak->winnersOnce());
    QCOMPARE(m_db->rows("SELECT pemenang_tidak_diundi_lagi FROM setup"),
             (std::vector<std::vector<std::string>>{{"0"}}));
    QVERIFY(errors().isEmpty());
}

// Where the setting cannot be stored the box goes back and the reason is shown.
void WinnersScreenTest::winnersOnceCannotBeStored_data() {
    QTest::addColumn<QString>("sql");
    QTest::addColumn<bool>("afterStartUp");
    QTest::addColumn<QString>("error");
    // A file the program could not give the column at start-up (read-only, or locked by another program).
    QTest::newRow("no column") << "DROP TABLE setup; CREATE TABLE setup (speed INTEGER); INSERT INTO setup VALUES (50)"
                               << true
                               << "The setting cannot be stored: the setup table has no column "
                                  "pemenang_tidak_diundi_lagi, which the program adds at start-up when the database "
                                  "can be written.";
    QTest::newRow("no setup table") << "DROP TABLE setup" << false
                                    << "ADOTable2: Cannot perform this operation on a closed dataset.";
    // Who has won is unknown: rather than draw past winners again, it is not switched on.
    QTest::newRow("winners unreadable") << "DROP TABLE tb_pemenang" << false
                                        << "The winners could not be read at start-up, so it is not known who has "
                                           "won already (no such table: tb_pemenang). Start the program again once "
                                           "the winners table can be read.";
}

void WinnersScreenTest::winnersOnceCannotBeStored() {
    QFETCH(QString, sql);
    QFETCH(bool, afterStartUp);
    QFETCH(QString, error);
    m_modelTester.reset();
    m_app.reset();
    if (!afterStartUp) m_db->exec(sql.toStdString());
    m_app = std::make_unique<TestApplication>(m_db->directory());
    if (afterStartUp) {
        fAcak->ADOTable2.close();
        m_db->exec(sql.toStdString());
        fAcak->ADOTable2.open();
    }
    fAcak->BitBtn6->click();
    TestApplication::clear();
    auto* box = fPemenang->findChild<QCheckBox*>(QStringLiteral("CheckBox1"));
    box->click();
    QVERIFY(!box->isChecked());
    QVERIFY(!fAcak->winnersOnce());
    QCOMPARE(errors(), QStringList{error});
}

void WinnersScreenTest::exportWritesExactBytes_data() {
    QTest::addColumn<Winners>("winners");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("empty table: the header alone, 23 bytes") << Winners{} << kHeader;
    QTest::newRow("three winners") << Winners{{"0811", "Ani", "TV"}, {"0822", "Budi", "Radio"}, {"0833", "Citra", "HP"}}
                                   << kHeader +
                                          "1\t0811\tAni\tTV\t\r\n2\t0822\tBudi\tRadio\t\r\n3\t0833\tCitra\tHP\t\r\n";
    QTest::newRow("missing prize") << Winners{{"0811", "Ani", std::nullopt}} << kHeader + "1\t0811\tAni\t\t\r\n";
    QTest::newRow("all missing") << Winners{{std::nullopt, std::nullopt, std::nullopt}} << kHeader + "1\t\t\t\t\r\n";
    QTest::newRow("line break and TAB kept")
        << Winners{{"0811", "Ani\r\nPutri\tS", "TV"}, {"0822", "Budi\nB", "Radio"}}
        << kHeader + "1\t0811\tAni\r\nPutri\tS\tTV\t\r\n2\t0822\tBudi\nB\tRadio\t\r\n";
    QTest::newRow("no quoting or trimming")
        << Winners{{" 007 ", "\"O'Neil\", Jr.", "  "}} << kHeader + "1\t 007 \t\"O'Neil\", Jr.\t  \t\r\n";
}

void WinnersScreenTest::exportWritesExactBytes() {
    QFETCH(Winners, winners);
    QFETCH(QByteArray, expected);
    addWinners(winners);
    showScreen();
    const QString path = m_out->filePath(QStringLiteral("pemenang.xls"));
    QCOMPARE(exportTo(path), expected);
    QCOMPARE(TestApplication::shown().size(), 1);
    QCOMPARE(TestApplication::shown().first().kind, Kind::Plain);
    QCOMPARE(TestApplication::shown().first().text, QStringLiteral("Export Data Pemenang Sukses"));
    QCOMPARE(entries(m_out->path()), QStringList{QStringLiteral("pemenang.xls")});
}

void WinnersScreenTest::nonAsciiNameInLocaleEncoding() {
    const QString name = QStringLiteral("Sri Ayu Ning\u00E9 \u00D6z\u00E7elik");
    addWinners({{"0811", name.toStdString(), "Mobil"}});
    showScreen();
    // The system's 8-bit encoding: UTF-8 on Linux, a code page on Windows.
    QStringEncoder system(QStringConverter::System);
    const QByteArray encoded = system.encode(name);
    const bool utf8 =
        QByteArray(QStringEncoder(QStringConverter::System).encode(QStringLiteral("\u00E9"))) == "\xC3\xA9";
    if (utf8)
        QCOMPARE(encoded, QByteArray("Sri Ayu Ning\xC3\xA9 \xC3\x96z\xC3\xA7"
                                     "elik"));
    const QString path = m_out->filePath(QStringLiteral("pemenang.xls"));
    QCOMPARE(exportTo(path), kHeader + "1\t0811\t" + encoded + "\tMobil\t\r\n");
}

void WinnersScreenTest::exportPostsPendingEditAndLeavesCursorAtEnd() {
    addWinners({{"0811", "Ani", "TV"}, {"0822", "Budi", "Radio"}});
    showScreen();
    auto& cursor = fPemenang->ADOTable1;
    clickRow(1);
    cursor.edit();
    cursor.setFieldText(2, "Kulkas");
    const QString path = m_out->filePath(QStringLiteral("out.xls"));
    QCOMPARE(exportTo(path), kHeader + "1\t0811\tAni\tTV\t\r\n2\t0822\tBudi\tKulkas\t\r\n");
    QCOMPARE(m_db->rows("SELECT hadiah FROM tb_pemenang WHERE nama='Budi'").at(0).at(0), std::string("Kulkas"));
    QVERIFY(cursor.eof());
    QCOMPARE(cursor.position(), std::size_t(1));
    QCOMPARE(fPemenang->DBGrid1->currentIndex().row(), 1);
}

void WinnersScreenTest::exportTwiceReplacesFile() {
    addWinners({{"0811", "Ani", "TV"}});
    showScreen();
    const QString path = m_out->filePath(QStringLiteral("pemenang.xls"));
    writeFile(path, QByteArray(5000, 'x'));
    const QByteArray first = exportTo(path);
    QCOMPARE(first, kHeader + "1\t0811\tAni\tTV\t\r\n");
    QCOMPARE(exportTo(path), first);
    QCOMPARE(TestApplication::texts(Kind::Plain).size(), 2);
    QCOMPARE(entries(m_out->path()), QStringList{QStringLiteral("pemenang.xls")});
    // The dialog offers the name chosen last.
    QCOMPARE(fPemenang->SaveDialog1.fileName(), path);
}

void WinnersScreenTest::cancelledDialogWritesNothing() {
    addWinners({{"0811", "Ani", "TV"}});
    showScreen();
    ui::FileDialog::setNextFileName(QString());
    QTest::mouseClick(button("BitBtn2"), Qt::LeftButton);
    QVERIFY(TestApplication::shown().isEmpty());
    QVERIFY(entries(m_out->path()).isEmpty());
    QVERIFY(!fPemenang->ADOTable1.eof());
}

// Export and "Berita Acara" propose a name with the day's date, in the documents folder at first and then where
// the last file went.
void WinnersScreenTest::dialogsSuggestDatedNames() {
    addWinners({{"0811", "Ani", "TV"}});
    showScreen();
    const QDate before = QDate::currentDate();
    ui::FileDialog::setNextFileName(QString());
    QTest::mouseClick(button("BitBtn2"), Qt::LeftButton);
    ui::FileDialog::Offer offered = ui::FileDialog::offered();
    const QString day = offered.name.mid(9, 10);
    QVERIFY2(day == before.toString(Qt::ISODate) || day == QDate::currentDate().toString(Qt::ISODate),
             qPrintable(offered.name));
    QCOMPARE(offered.name, QStringLiteral("pemenang-%1.xls").arg(day));
    QCOMPARE(offered.folder, ui::FileDialog::lastFolder());
    QCOMPARE(offered.filter, QStringLiteral("Microsoft Excel (*.xls)"));

    exportTo(m_out->filePath(QStringLiteral("hasil.xls")));
    ui::FileDialog::setNextFileName(QString());
    QTest::mouseClick(button("BitBtn4"), Qt::LeftButton);
    offered = ui::FileDialog::offered();
    QCOMPARE(offered.name, QStringLiteral("berita-acara-%1.pdf").arg(day));
    QCOMPARE(offered.folder, m_out->path());
    QCOMPARE(offered.filter, QStringLiteral("PDF (*.pdf)"));
    // The export proposes the day's name again, beside the last one.
    ui::FileDialog::setNextFileName(QString());
    QTest::mouseClick(button("BitBtn2"), Qt::LeftButton);
    QCOMPARE(ui::FileDialog::offered().name, QStringLiteral("pemenang-%1.xls").arg(day));
    QCOMPARE(ui::FileDialog::offered().folder, m_out->path());
    QVERIFY(errors().isEmpty());
}

void WinnersScreenTest::deleteRemovesCurrentRowOnly() {
    addWinners({{"0811", "Ani", "TV"}, {"0811", "Ani", "TV"}, {"0822", "Budi", "Radio"}});
    showScreen();
    clickRow(1);
    QTest::mouseClick(button("BitBtn3"), Qt::LeftButton);
    QCOMPARE(m_db->rows("SELECT rowid, nama FROM tb_pemenang ORDER BY rowid"),
             (std::vector<std::vector<std::string>>{{"1", "Ani"}, {"3", "Budi"}}));
    QCOMPARE(fPemenang->DBGrid1->model()->rowCount(), 2);
    // The neighbour becomes current.
    QCOMPARE(fPemenang->ADOTable1.fieldText(1), std::string("Budi"));
    QCOMPARE(fPemenang->DBGrid1->currentIndex().row(), 1);
    // Asked first, and nothing else said.
    QCOMPARE(TestApplication::texts(Kind::Question), QStringList{QStringLiteral("Hapus pemenang 0811, Ani?")});
    QCOMPARE(TestApplication::shown().size(), 1);
}

// "Delete" names the winner and asks; No, the default, keeps the winner and the place. After Yes the next row, not
// the last, is current in the cursor and the grid, so a second slip would name another winner; after the last row,
// the one before it.
void WinnersScreenTest::deleteAsksAndMovesToTheNextRow_data() {
    QTest::addColumn<Winners>("winners");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("question");
    QTest::addColumn<QString>("after"); // the current row's name after Yes
    const Winners five = {{"EMP-2025-0101", "Ani", "TV"},
                          {"EMP-2025-0122", "Budi Santoso", "Radio"},
                          {"EMP-2025-0133", "Citra", "HP"},
                          {"EMP-2025-0144", "Dewi", "Tas"},
                          {"EMP-2025-0155", "Eka", "Sepeda"}};
    QTest::newRow("a middle row") << five << 1 << "Hapus pemenang EMP-2025-0122, Budi Santoso?"
                                  << "Citra";
    QTest::newRow("the first row") << five << 0 << "Hapus pemenang EMP-2025-0101, Ani?"
                                   << "Budi Santoso";
    QTest::newRow("the last row") << five << 4 << "Hapus pemenang EMP-2025-0155, Eka?"
                                  << "Dewi";
    QTest::newRow("no draw number") << Winners{{std::nullopt, "Ani", "TV"}, {"B2", "Budi", "TV"}} << 0
                                    << "Hapus pemenang Ani?"
                                    << "Budi";
    QTest::newRow("neither number nor name")
        << Winners{{"A1", "Ani", "TV"}, {"", std::nullopt, "TV"}} << 1 << "Hapus pemenang di baris 2?"
        << "Ani";
}

void WinnersScreenTest::deleteAsksAndMovesToTheNextRow() {
    QFETCH(Winners, winners);
    QFETCH(int, row);
    QFETCH(QString, question);
    QFETCH(QString, after);
    addWinners(winners);
    showScreen();
    clickRow(row);
    const auto before = m_db->rows("SELECT rowid FROM tb_pemenang ORDER BY rowid");

    ui::MessageBox::setNextAnswer(QMessageBox::No);
    QTest::mouseClick(button("BitBtn3"), Qt::LeftButton);
    QCOMPARE(TestApplication::texts(Kind::Question), QStringList{question});
    QCOMPARE(m_db->rows("SELECT rowid FROM tb_pemenang ORDER BY rowid"), before);
    QCOMPARE(fPemenang->ADOTable1.position(), std::size_t(row));
    QCOMPARE(fPemenang->DBGrid1->currentIndex().row(), row);

    TestApplication::clear();
    QTest::mouseClick(button("BitBtn3"), Qt::LeftButton);
    QCOMPARE(TestApplication::texts(Kind::Question), QStringList{question});
    QCOMPARE(TestApplication::shown().size(), 1);
    QCOMPARE(m_db->count("tb_pemenang"), static_cast<long long>(winners.size()) - 1);
    const int next = std::min(row, static_cast<int>(winners.size()) - 2);
    QCOMPARE(fPemenang->ADOTable1.position(), std::size_t(next));
    QCOMPARE(QString::fromStdString(fPemenang->ADOTable1.fieldText("nama")), after);
    QCOMPARE(fPemenang->DBGrid1->currentIndex().row(), next);
    QCOMPARE(fPemenang->DBGrid1->model()->headerData(next, Qt::Vertical).toString(), QStringLiteral("\u25B6"));
    QVERIFY(errors().isEmpty());
}

// Tab goes from cell to cell in the grid and round again; Ctrl+Tab takes the keyboard on to "Tutup", "Export
// Excel", "Delete", "Berita Acara" and the box, and back to the grid: every button is within the keyboard's reach.
void WinnersScreenTest::keyboardLeavesTheGridWithCtrlTab() {
    addWinners({{"0811", "Ani", "TV"}, {"0822", "Budi", "Radio"}});
    showScreen();
    fPemenang->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(fPemenang));
    auto* grid = fPemenang->DBGrid1;
    clickRow(1);
    for (const QPoint cell : {QPoint(2, 1), QPoint(0, 0), QPoint(1, 0)}) { // wraps from the last cell to the first
        QTest::keyClick(grid, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), grid);
        QCOMPARE(QPoint(grid->currentIndex().column(), grid->currentIndex().row()), cell);
    }
    const QStringList round{"DBGrid1", "BitBtn1", "BitBtn2", "BitBtn3", "BitBtn4", "CheckBox1"};
    QCOMPARE(focusWalk(grid), round);
    QCOMPARE(focusWalk(grid, true), (QStringList{"DBGrid1", "CheckBox1", "BitBtn4", "BitBtn3", "BitBtn2", "BitBtn1"}));
    QCOMPARE(m_db->count("tb_pemenang"), 2LL); // nothing appended or deleted on the way
}

void WinnersScreenTest::numberingAfterDeletionHasNoGap() {
    addWinners({{"0811", "Ani", "TV"}, {"0822", "Budi", "Radio"}, {"0833", "Citra", "HP"}, {"0844", "Dewi", "Tas"}});
    showScreen();
    clickRow(1);
    QTest::mouseClick(button("BitBtn3"), Qt::LeftButton);
    const QString path = m_out->filePath(QStringLiteral("pemenang.xls"));
    QCOMPARE(exportTo(path), kHeader + "1\t0811\tAni\tTV\t\r\n2\t0833\tCitra\tHP\t\r\n3\t0844\tDewi\tTas\t\r\n");
}

void WinnersScreenTest::deleteDoesNothingAtEndOfData() {
    // An empty table.
    showScreen();
    QTest::mouseClick(button("BitBtn3"), Qt::LeftButton);
    QVERIFY(TestApplication::shown().isEmpty());

    // Right after an export the cursor stands at end-of-data.
    addWinners({{"0811", "Ani", "TV"}, {"0822", "Budi", "Radio"}});
    showScreen();
    exportTo(m_out->filePath(QStringLiteral("pemenang.xls")));
    QTest::mouseClick(button("BitBtn3"), Qt::LeftButton);
    QCOMPARE(m_db->count("tb_pemenang"), 2LL);

    // Once another row is clicked, that row goes.
    clickRow(0);
    QTest::mouseClick(button("BitBtn3"), Qt::LeftButton);
    QCOMPARE(m_db->rows("SELECT nama FROM tb_pemenang"), (std::vector<std::vector<std::string>>{{"Budi"}}));
    QCOMPARE(errors(), QStringList());
}

enum class Failure {
    MissingDirectory,
    UnderRegularFile,
    ExistingDirectory,
    ReadOnlyFile,
    ReadOnlyDirectory,
    NoFreeFile
};
Q_DECLARE_METATYPE(Failure)

void WinnersScreenTest::exportFailureKeepsOldFile_data() {
    QTest::addColumn<Failure>("failure");
    QTest::addColumn<QString>("message");
    // Each case fails for root too: root passes permission bits but not a missing or non-directory path component,
    // a directory in the way, a file without any write bit (refused like a read-only file), the immutable flag,
    // or the process's file limit.
    QTest::newRow("missing directory") << Failure::MissingDirectory << QStringLiteral("File not found.");
    QTest::newRow("path through a regular file") << Failure::UnderRegularFile << QStringLiteral("Invalid filename.");
    QTest::newRow("name of a directory") << Failure::ExistingDirectory << QStringLiteral("File access denied.");
    QTest::newRow("read-only file") << Failure::ReadOnlyFile << QStringLiteral("File access denied.");
    QTest::newRow("read-only directory") << Failure::ReadOnlyDirectory << QStringLiteral("File access denied.");
    QTest::newRow("no file descriptor left") << Failure::NoFreeFile << QStringLiteral("Too many open files.");
}

void WinnersScreenTest::exportFailureKeepsOldFile() {
    QFETCH(Failure, failure);
    QFETCH(QString, message);
    addWinners({{"0811", "Ani", "TV"}, {"0822", "Budi", "Radio"}});
    showScreen();
    clickRow(1);

    const QString dir = m_out->path();
    const QByteArray old = "the previous export\r\n";
    QString target = dir + QStringLiteral("/pemenang.xls");
    writeFile(target, old);
    std::optional<ReadOnlyDirectory> readOnly;
    switch (failure) {
    case Failure::MissingDirectory:
        target = dir + QStringLiteral("/missing/pemenang.xls");
        break;
    case Failure::UnderRegularFile:
        target = dir + QStringLiteral("/pemenang.xls/pemenang.xls");
        break;
    case Failure::ExistingDirectory:
        QVERIFY(QDir(dir).mkdir(QStringLiteral("folder.xls")));
        target = dir + QStringLiteral("/folder.xls");
        break;
    case Failure::ReadOnlyFile:
        QFile::setPermissions(target, QFile::ReadOwner | QFile::ReadGroup);
        break;
    case Failure::ReadOnlyDirectory:
        readOnly.emplace(dir);
        if (!readOnly->refuses()) QSKIP("this file system lets the process write into a read-only directory");
        break;
    case Failure::NoFreeFile:
        break;
    }
    const QStringList before = entries(dir);

    ui::FileDialog::setNextFileName(target);
    if (failure == Failure::NoFreeFile) {
        const int lowestFree = ::dup(0);
        ::close(lowestFree);
        LoweredLimit limit(RLIMIT_NOFILE, static_cast<rlim_t>(lowestFree));
        QTest::mouseClick(button("BitBtn2"), Qt::LeftButton);
    } else {
        QTest::mouseClick(button("BitBtn2"), Qt::LeftButton);
    }

    QCOMPARE(errors(), QStringList{message});
    QVERIFY(TestApplication::texts(Kind::Plain).isEmpty());
    QCOMPARE(readFile(dir + QStringLiteral("/pemenang.xls")), old);
    QCOMPARE(entries(dir), before);
    // Creating the file failed, so the cursor stays where it was.
    QCOMPARE(fPemenang->ADOTable1.position(), std::size_t(1));
    QVERIFY(!fPemenang->ADOTable1.eof());
}

void WinnersScreenTest::fullDiskKeepsOldFile() {
    // A file size limit makes the writes fail as a full disk would, with EFBIG instead of ENOSPC.
    Winners winners;
    for (int i = 1; i <= 200; ++i)
        winners.push_back({"08" + std::to_string(i), "Nama " + std::to_string(i), "TV"});
    addWinners(winners);
    showScreen();
    const QString path = m_out->filePath(QStringLiteral("pemenang.xls"));
    const QByteArray old(3000, 'o');
    writeFile(path, old);

    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    {
        LoweredLimit limit(RLIMIT_FSIZE, 1000);
        ui::FileDialog::setNextFileName(path);
        QTest::mouseClick(button("BitBtn2"), Qt::LeftButton);
    }
    std::signal(SIGXFSZ, previousHandler);

    QCOMPARE(errors(), QStringList{QStringLiteral("I/O error 27.")});
    QVERIFY(TestApplication::texts(Kind::Plain).isEmpty());
    QCOMPARE(readFile(path), old);
    QCOMPARE(entries(m_out->path()), QStringList{QStringLiteral("pemenang.xls")});

    // With room again the same export succeeds.
    TestApplication::clear();
    fPemenang->ADOTable1.first();
    QCOMPARE(exportTo(path).count('\n'), 201);
    QVERIFY(errors().isEmpty());
}

void WinnersScreenTest::closedCursorStopsExport() {
    showScreen();
    fPemenang->ADOTable1.close();
    const QString path = m_out->filePath(QStringLiteral("pemenang.xls"));
    writeFile(path, "old");
    ui::FileDialog::setNextFileName(path);
    QTest::mouseClick(button("BitBtn2"), Qt::LeftButton);
    QCOMPARE(errors(), QStringList{QStringLiteral("ADOTable1: Cannot perform this operation on a closed dataset.")});
    QCOMPARE(readFile(path), QByteArray("old"));
    QCOMPARE(entries(m_out->path()), QStringList{QStringLiteral("pemenang.xls")});

    // "Delete" finds no current row on a closed cursor.
    TestApplication::clear();
    QTest::mouseClick(button("BitBtn3"), Qt::LeftButton);
    QVERIFY(TestApplication::shown().isEmpty());
}

QTEST_MAIN(WinnersScreenTest)
#include "WinnersScreenTest.moc"
