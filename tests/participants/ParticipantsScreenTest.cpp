// The participants screen driven as the operator drives it: "Lihat Peserta" on the draw screen, then the form,
// the navigator, the grid and the two deletions, checked against tb_peserta and the messages shown.
#include "core/participants/Participants.h"
#include "data/uData.h"
#include "draw/uAcak.h"
#include "participants/PreviewModel.h"
#include "participants/uPeserta.h"
#include "platform/ui/CursorTableModel.h"
#include "platform/ui/DBEdit.h"
#include "platform/ui/DBGrid.h"
#include "tests/support/ClickScript.h"
#include "tests/support/FocusWalk.h"
#include "tests/support/TestApplication.h"
#include "tests/support/TestDatabase.h"

#include <QAccessible>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>
#include <QtTest>
#include <memory>

using Kind = ui::MessageBox::Kind;

namespace {

QString kindName(Kind kind) {
    switch (kind) {
    case Kind::Information:
        return QStringLiteral("info");
    case Kind::Plain:
        return QStringLiteral("plain");
    case Kind::Error:
        return QStringLiteral("error");
    case Kind::Confirmation:
        return QStringLiteral("confirm");
    case Kind::Question:
        return QStringLiteral("ask");
    }
    return {};
}

// Every message shown so far as "kind: text".
QStringList messages() {
    QStringList result;
    for (const auto& m : TestApplication::shown())
        result << kindName(m.kind) + QStringLiteral(": ") + m.text;
    return result;
}

QString stateName(db::TableCursor::State state) {
    switch (state) {
    case db::TableCursor::State::Inactive:
        return QStringLiteral("closed");
    case db::TableCursor::State::Browse:
        return QStringLiteral("browse");
    case db::TableCursor::State::Edit:
        return QStringLiteral("edit");
    case db::TableCursor::State::Insert:
        return QStringLiteral("insert");
    }
    return {};
}

} // namespace

class ParticipantsScreenTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void layout_data();
    void layout();
    void windowAndTabs();
    void keyboardOrderOfTheFormTab();
    void keyboardGoesRoundEveryPage_data();
    void keyboardGoesRoundEveryPage();
    void simpanAndBatalCoverTheRowOfButtons();
    void showsTheTableAfreshAndDropsAPendingRow();
    void entryForm_data();
    void entryForm();
    void sequenceNumberIsTheRowCountPlusOne_data();
    void sequenceNumberIsTheRowCountPlusOne();
    void duplicateAfterADeletionKeepsThePendingRow();
    void navigatorEnabledStates_data();
    void navigatorEnabledStates();
    void ctrlDeleteInTheGridAsks_data();
    void ctrlDeleteInTheGridAsks();
    void participantTypedInShowsInTheGridAndTheTable();
    void gridTakesTheDrawsListWhileTheTableIsAsRead();
    void hapusSemuaEmptiesTheTableInOneStep();
    void hapusSemuaAsksFirst();
    void hapusSemuaThatFailsNeitherConfirmsNorRequeries();
    void closedCursorWhenTheDatabaseIsMissing();
    void tutupHidesAndKeepsTheForm();
    void fieldsAreNamedAfterTheirCaptions();
    void editOfAFieldTheTableLacksSaysSo();

private:
    TfPeserta& screen() { return *fPeserta; }
    void show() { fAcak->BitBtn7->click(); } // "Lihat Peserta"
    void press(QAbstractButton* button);
    void run(const QString& steps);
    QString stored() const;

    std::unique_ptr<TestDatabase> m_db;
    std::unique_ptr<TestApplication> m_app;
};

void ParticipantsScreenTest::init() {
    QApplication::setQuitOnLastWindowClosed(false);
    m_db = std::make_unique<TestDatabase>();
    m_app = std::make_unique<TestApplication>(m_db->directory());
    QCOMPARE(messages(), QStringList());
}

void ParticipantsScreenTest::cleanup() {
    m_app.reset();
    m_db.reset();
}

// A click where the operator would click: on the button's tab, at the button, hitting whatever lies on top there.
void ParticipantsScreenTest::press(QAbstractButton* button) {
    for (QWidget* tab : {screen().TabSheet1, screen().TabSheet2, screen().TabSheet3})
        if (tab->isAncestorOf(button)) screen().PageControl1->setCurrentWidget(tab);
    QVERIFY2(button->isVisible(), qPrintable(button->objectName()));
    QTest::mouseClick(button, Qt::LeftButton);
}

// Steps separated by ";": show, input, ubah, hapus (Form tab), hapus7 (Table tab), simpan, batal, semua, tutup,
// first, prior, next, last, "type <edit> <text>" (replaces the edit's text), "grid <row>" (a click on that row).
void ParticipantsScreenTest::run(const QString& steps) {
    TfPeserta& s = screen();
    ClickScript script;
    script.on(QStringLiteral("show"), [this] { show(); });
    const std::pair<const char*, QAbstractButton*> buttons[] = {
        {"input", s.BitBtn1},
        {"ubah", s.BitBtn2},
        {"hapus", s.BitBtn3},
        {"hapus7", s.BitBtn7},
        {"simpan", s.BitBtn5},
        {"batal", s.BitBtn6},
        {"semua", s.BitBtn8},
        {"tutup", s.BitBtn4},
        {"first", s.nav->button(ui::DBNavigator::First)},
        {"prior", s.nav->button(ui::DBNavigator::Prior)},
        {"next", s.nav->button(ui::DBNavigator::Next)},
        {"last", s.nav->button(ui::DBNavigator::Last)},
    };
    for (const auto& [verb, button] : buttons)
        script.on(QString::fromLatin1(verb), [this, button] { press(button); });
    script.onWords(QStringLiteral("type"), [&s](const QStringList& words) {
        auto* edit = s.findChild<QLineEdit*>(words.value(0));
        QVERIFY2(edit, qPrintable(words.join(QLatin1Char(' '))));
        s.PageControl1->setCurrentWidget(s.TabSheet1);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, words.mid(1).join(QLatin1Char(' ')));
    });
    script.onWords(QStringLiteral("grid"), [&s](const QStringList& words) {
        s.PageControl1->setCurrentWidget(s.TabSheet2);
        const QModelIndex cell = s.DBGrid1->model()->index(words.value(0).toInt(), 1);
        QTest::mouseClick(s.DBGrid1->viewport(), Qt::LeftButton, {}, s.DBGrid1->visualRect(cell).center());
    });
    script.run(steps);
}

// tb_peserta as "ID nama" in storage order.
QString ParticipantsScreenTest::stored() const {
    QStringList rows;
    for (const auto& row : m_db->rows("SELECT ID, nama FROM tb_peserta ORDER BY rowid"))
        rows << QString::fromStdString(row.at(0) + " " + row.at(1));
    return rows.join(QLatin1Char(','));
}

void ParticipantsScreenTest::layout_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QRect>("geometry"); // an empty size: as large as the caption needs
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("shown");
    QTest::addColumn<bool>("enabled");
    auto row = [](const char* name, const char* parent, QRect geometry, const char* caption, bool shown = true,
                  bool enabled = true) {
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(parent) << geometry
                            << QString::fromUtf8(caption) << shown << enabled;
    };
    row("PageControl1", "fPeserta", {0, 0, 857, 665}, "");
    row("GroupBox1", "TabSheet1", {88, 80, 673, 385}, "Form Input Manual");
    row("Label5", "GroupBox1", {72, 60, 0, 0}, "Nomor Urut");
    row("Edit1", "GroupBox1", {72, 80, 121, 21}, "");
    row("Label1", "GroupBox1", {72, 124, 0, 0}, "Nomor Undian");
    row("DBEdit1", "GroupBox1", {72, 148, 225, 21}, "");
    row("Label2", "GroupBox1", {73, 188, 0, 0}, "Nama Peserta");
    row("DBEdit2", "GroupBox1", {72, 212, 393, 21}, "");
    row("Label4", "GroupBox1", {71, 260, 0, 0}, "Nomor Handphone");
    row("DBEdit3", "GroupBox1", {72, 284, 225, 21}, "");
    row("BitBtn1", "TabSheet1", {88, 488, 97, 41}, "Input Baru");
    row("BitBtn3", "TabSheet1", {184, 488, 97, 41}, "Hapus Data");
    row("BitBtn2", "TabSheet1", {280, 488, 97, 41}, "Ubah Data");
    row("nav", "TabSheet1", {376, 488, 384, 41}, "");
    row("BitBtn5", "TabSheet1", {88, 488, 337, 41}, "Simpan", false);
    row("BitBtn6", "TabSheet1", {424, 488, 337, 41}, "Batal", false);
    row("DBGrid1", "TabSheet2", {24, 56, 793, 457}, "");
    row("BitBtn7", "TabSheet2", {24, 528, 97, 41}, "Hapus Data");
    row("BitBtn8", "TabSheet2", {128, 528, 113, 41}, "Hapus Semua");
    row("ListView1", "TabSheet3", {16, 32, 809, 473}, "");
    row("SpeedButton7", "TabSheet3", {16, 528, 185, 57}, "Import");
    row("SpeedButton6", "TabSheet3", {208, 528, 185, 57}, "Upload..", true, false);
    row("ListEndWarning", "TabSheet3", {408, 528, 417, 57}, "", false);
    row("BitBtn4", "fPeserta", {752, 680, 91, 33}, "Tutup");
}

// Every component where the design puts it, as it stands once "Lihat Peserta" has shown the screen.
void ParticipantsScreenTest::layout() {
    QFETCH(QString, name);
    QFETCH(QString, parent);
    QFETCH(QRect, geometry);
    QFETCH(QString, caption);
    QFETCH(bool, shown);
    QFETCH(bool, enabled);
    show();
    auto* widget = screen().findChild<QWidget*>(name);
    QVERIFY(widget);
    QCOMPARE(widget->parentWidget()->objectName(), parent);
    QCOMPARE(widget->pos(), geometry.topLeft());
    if (!geometry.size().isEmpty()) QCOMPARE(widget->size(), geometry.size());
    QCOMPARE(widget->isVisibleTo(widget->parentWidget()), shown);
    QCOMPARE(widget->isEnabled(), enabled);
    if (auto* label = qobject_cast<QLabel*>(widget)) QCOMPARE(label->text(), caption);
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        QCOMPARE(button->text(), caption);
        QVERIFY(!button->icon().isNull());
    }
    if (auto* box = qobject_cast<QGroupBox*>(widget)) QCOMPARE(box->title(), caption);
}

void ParticipantsScreenTest::windowAndTabs() {
    TfPeserta& s = screen();
    QVERIFY(!s.isVisible()); // created hidden
    show();
    QVERIFY(s.isVisible());
    QCOMPARE(s.windowTitle(), QStringLiteral("DATA PESERTA"));
    QCOMPARE(s.size(), QSize(856, 734));
    QVERIFY(s.windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(!s.windowIcon().isNull());
    QCOMPARE(s.palette().color(QPalette::Window), QColor(0xF5, 0xFF, 0xDF));
    QCOMPARE(s.font().family(), QStringLiteral("Verdana"));
    QCOMPARE(s.font().pixelSize(), 11);

    QTabBar* tabs = s.PageControl1->tabBar();
    QCOMPARE(tabs->count(), 3);
    const QStringList captions{QStringLiteral("Form"), QStringLiteral("Table"), QStringLiteral("Upload")};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(tabs->tabText(i), captions[i]);
        QCOMPARE(tabs->tabRect(i).size(), QSize(284, 30));
    }
    QCOMPARE(s.PageControl1->currentWidget(), s.TabSheet1);
    QVERIFY(s.Edit1->isReadOnly());
    QCOMPARE(s.Edit1->palette().color(QPalette::Base), s.Edit1->palette().color(QPalette::Button));

    // The grid: the four fields, no row indicator, white bold titles on #53565B, bold black cells.
    auto* model = s.DBGrid1->model();
    QStringList titles;
    for (int c = 0; c < model->columnCount(); ++c)
        titles << model->headerData(c, Qt::Horizontal).toString();
    QCOMPARE(titles, (QStringList{"ID", "no_undian", "nama", "hp"}));
    QVERIFY(s.DBGrid1->verticalHeader()->isHidden());
    QVERIFY(!s.DBGrid1->horizontalHeader()->isHidden());
    QVERIFY(s.DBGrid1->showGrid());
    QVERIFY(s.DBGrid1->tabKeyNavigation());
    QCOMPARE(s.DBGrid1->selectionMode(), QAbstractItemView::SingleSelection);
    QCOMPARE(s.DBGrid1->selectionBehavior(), QAbstractItemView::SelectItems);
    QVERIFY(s.DBGrid1->font().bold());
    QCOMPARE(s.DBGrid1->palette().color(QPalette::Text), QColor(Qt::black));
    QVERIFY(s.DBGrid1->horizontalHeader()->font().bold());
    const QString style = s.DBGrid1->horizontalHeader()->styleSheet();
    QVERIFY(style.contains(QStringLiteral("#53565B")) && style.contains(QStringLiteral("white")));

    // The upload preview: four headed columns at their widths, empty.
    QHeaderView* heads = s.ListView1->horizontalHeader();
    const QStringList headings{"NO. URUT", "NO. UNDIAN", "NAMA PESERTA", "NO. HANDPHONE"};
    const int widths[] = {100, 200, 300, 180};
    for (int c = 0; c < 4; ++c) {
        QCOMPARE(s.ListView1->model()->headerData(c, Qt::Horizontal).toString(), headings[c]);
        QCOMPARE(heads->sectionSize(c), widths[c]);
    }
    QCOMPARE(s.ListView1Items->itemCount(), 0);
    QCOMPARE(s.SpeedButton6->focusPolicy(), Qt::NoFocus);
}

void ParticipantsScreenTest::keyboardOrderOfTheFormTab() {
    TfPeserta& s = screen();
    const QList<QWidget*> expected{s.BitBtn1, s.BitBtn2, s.BitBtn3, s.BitBtn5, s.BitBtn6,
                                   s.DBEdit1, s.DBEdit2, s.DBEdit3, s.Edit1,   s.nav->button(ui::DBNavigator::First)};
    QList<QWidget*> chain;
    QWidget* w = s.BitBtn1;
    while (chain.size() < expected.size()) {
        if (expected.contains(w)) chain << w;
        w = w->nextInFocusChain();
        QVERIFY(w != s.BitBtn1);
    }
    QCOMPARE(chain, expected);
}

// The keyboard goes round each page and "Tutup", forwards and backwards, from the tabs where it lands when the
// screen is shown: none of the screen's controls lies out of its reach, and none keeps it.
void ParticipantsScreenTest::keyboardGoesRoundEveryPage_data() {
    QTest::addColumn<int>("page");
    QTest::addColumn<QStringList>("round");
    // On the first row: the navigator's first and prior are disabled; "Simpan" and "Batal" are hidden.
    QTest::newRow("Form") << 0 << QStringList{"tabs",    "BitBtn1", "BitBtn2", "BitBtn3", "DBEdit1", "DBEdit2",
                                              "DBEdit3", "Edit1",   "Next",    "Last",    "BitBtn4"};
    QTest::newRow("Table") << 1 << QStringList{"tabs", "DBGrid1", "BitBtn7", "BitBtn8", "BitBtn4"};
    QTest::newRow("Upload") << 2 << QStringList{"tabs", "ListView1", "BitBtn4"}; // the flat buttons take no focus
}

void ParticipantsScreenTest::keyboardGoesRoundEveryPage() {
    QFETCH(int, page);
    QFETCH(QStringList, round);
    m_db->addParticipants(3);
    show();
    TfPeserta& s = screen();
    s.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&s));
    s.PageControl1->setCurrentIndex(page);
    QTabBar* tabs = s.PageControl1->tabBar();
    tabs->setFocus();
    QCOMPARE(focusWalk(tabs), round);
    QStringList back = round.mid(1);
    std::reverse(back.begin(), back.end());
    QCOMPARE(focusWalk(tabs, true), QStringList{"tabs"} + back);
}

// While shown, "Simpan" and "Batal" take every click on the row of buttons and the navigator, which stay shown
// and enabled beneath them.
void ParticipantsScreenTest::simpanAndBatalCoverTheRowOfButtons() {
    m_db->addParticipants(3);
    run(QStringLiteral("show; next; input"));
    TfPeserta& s = screen();
    QList<QWidget*> covered{s.BitBtn1, s.BitBtn3, s.BitBtn2};
    for (auto which : {ui::DBNavigator::First, ui::DBNavigator::Prior, ui::DBNavigator::Next, ui::DBNavigator::Last})
        covered << s.nav->button(which);
    for (QWidget* w : covered) {
        for (const QPoint corner : {w->rect().topLeft(), w->rect().center(), w->rect().bottomRight()}) {
            QWidget* hit = s.TabSheet1->childAt(w->mapTo(s.TabSheet1, corner));
            QVERIFY2(hit == s.BitBtn5 || hit == s.BitBtn6, qPrintable(w->objectName()));
        }
        QVERIFY(w->isVisible());
    }
    QVERIFY(s.BitBtn1->isEnabled() && s.BitBtn2->isEnabled() && s.BitBtn3->isEnabled());
    QVERIFY(s.nav->button(ui::DBNavigator::Next)->isEnabled());
}

// "Lihat Peserta" while a row is being typed in: the row is dropped, the table read afresh, the first row current,
// the number box untouched and "Simpan"/"Batal" still there.
void ParticipantsScreenTest::showsTheTableAfreshAndDropsAPendingRow() {
    m_db->addParticipants(3);
    show();
    TfPeserta& s = screen();
    QCOMPARE(s.Edit1->text(), QString()); // empty at the first showing although the edits show the first row
    QCOMPARE(s.DBEdit2->text(), QStringLiteral("Nama 1"));
    run(QStringLiteral("last; input; type DBEdit2 Dewi"));
    m_db->exec("INSERT INTO tb_peserta VALUES(9,'D9','Nama 9','089')"); // stored elsewhere meanwhile

    show();
    QCOMPARE(stateName(s.ADOTable3.state()), QStringLiteral("browse"));
    QCOMPARE(s.ADOTable3.recordCount(), std::size_t{4});
    QCOMPARE(s.ADOTable3.position(), std::size_t{0});
    QCOMPARE(s.DBEdit2->text(), QStringLiteral("Nama 1"));
    QCOMPARE(s.DBGrid1->model()->rowCount(), 4);
    QCOMPARE(s.Edit1->text(), QStringLiteral("4"));
    QVERIFY(s.BitBtn5->isVisible() && s.BitBtn6->isVisible());
    QCOMPARE(stored(), QStringLiteral("1 Nama 1,2 Nama 2,3 Nama 3,9 Nama 9"));

    // "Simpan" now has no pending row: the buttons go, the cursor's error is shown, nothing is stored.
    run(QStringLiteral("simpan"));
    QVERIFY(!s.BitBtn5->isVisible() && !s.BitBtn6->isVisible());
    QCOMPARE(messages(), QStringList{"error: ADOTable3: Dataset not in edit or insert mode."});
    QCOMPARE(m_db->count("tb_peserta"), 4);
}

void ParticipantsScreenTest::entryForm_data() {
    QTest::addColumn<int>("participants");
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("state");
    QTest::addColumn<bool>("simpanBatalShown");
    QTest::addColumn<QString>("nomorUrut"); // Edit1
    QTest::addColumn<QString>("nama");      // DBEdit2
    QTest::addColumn<QString>("table");     // tb_peserta as "ID nama"
    QTest::addColumn<QStringList>("shown");
    const QString three = QStringLiteral("1 Nama 1,2 Nama 2,3 Nama 3");
    const QStringList none;
    const QStringList saved{"plain: Data baru telah disimpan"};
    const QString askedAll = QStringLiteral("ask: Hapus semua 3 peserta? Tindakan ini tidak dapat dibatalkan.");
    const QStringList deletedAll{askedAll, "info: Data Sudah diHapus"};

    // Browsing
    QTest::newRow("browse, Input Baru") << 3 << "show; input"
                                        << "insert" << true << "4"
                                        << "" << three << none;
    QTest::newRow("browse, Ubah Data") << 3 << "show; next; ubah"
                                       << "edit" << true << "2"
                                       << "Nama 2" << three << none;
    QTest::newRow("browse, Hapus Data on the first row") << 3 << "show; hapus"
                                                         << "browse" << false << "2"
                                                         << "Nama 2"
                                                         << "2 Nama 2,3 Nama 3" << none;
    QTest::newRow("browse, Hapus Data on the last row") << 3 << "show; last; hapus"
                                                        << "browse" << false << "2"
                                                        << "Nama 2"
                                                        << "1 Nama 1,2 Nama 2" << none;
    QTest::newRow("browse, Hapus Data on the Table tab") << 3 << "show; grid 1; hapus7"
                                                         << "browse" << false << "3"
                                                         << "Nama 3"
                                                         << "1 Nama 1,3 Nama 3" << none;
    QTest::newRow("browse, Hapus Data of the only row") << 1 << "show; hapus"
                                                        << "browse" << false << ""
                                                        << ""
                                                        << "" << none;
    QTest::newRow("browse, Hapus Data on an empty table")
        << 1 << "show; hapus; last; hapus"
        << "browse" << false << ""
        << ""
        << "" << QStringList{"error: ADOTable3: Cannot perform this operation on an empty dataset."};
    QTest::newRow("browse, Hapus Data on an empty table keeps the box")
        << 1 << "show; next; semua; hapus"
        << "browse" << false << "1"
        << ""
        << ""
        << QStringList{"ask: Hapus semua 1 peserta? Tindakan ini tidak dapat dibatalkan.", "info: Data Sudah diHapus",
                       "error: ADOTable3: Cannot perform this operation on an empty dataset."};
    QTest::newRow("browse, navigator next") << 3 << "show; next"
                                            << "browse" << false << "2"
                                            << "Nama 2" << three << none;
    QTest::newRow("browse, navigator last then prior") << 3 << "show; last; prior"
                                                       << "browse" << false << "2"
                                                       << "Nama 2" << three << none;
    QTest::newRow("browse, navigator first") << 3 << "show; last; first"
                                             << "browse" << false << "1"
                                             << "Nama 1" << three << none;
    QTest::newRow("browse, a grid row does not touch the box") << 3 << "show; next; grid 2"
                                                               << "browse" << false << "2"
                                                               << "Nama 3" << three << none;
    QTest::newRow("browse, Hapus Semua") << 3 << "show; next; semua"
                                         << "browse" << false << "2"
                                         << ""
                                         << "" << deletedAll;

    // Inserting
    QTest::newRow("insert, Simpan") << 3 << "show; input; type DBEdit2 Dewi; simpan"
                                    << "browse" << false << "4"
                                    << "Dewi" << three + ",4 Dewi" << saved;
    QTest::newRow("insert on an empty table, Simpan") << 0 << "show; input; type DBEdit2 Dewi; simpan"
                                                      << "browse" << false << "1"
                                                      << "Dewi"
                                                      << "1 Dewi" << saved;
    QTest::newRow("insert, Batal") << 3 << "show; input; type DBEdit2 Dewi; batal"
                                   << "browse" << false << "1"
                                   << "Nama 1" << three << none;
    QTest::newRow("insert from the last row, Batal") << 3 << "show; last; input; batal"
                                                     << "browse" << false << "3"
                                                     << "Nama 3" << three << none;
    QTest::newRow("insert, Hapus Data on the Table tab drops the new row")
        << 3 << "show; next; input; type DBEdit2 Dewi; hapus7"
        << "browse" << true << "2"
        << "Nama 2" << three << none;
    QTest::newRow("insert, Hapus Semua drops an untouched new row") << 3 << "show; input; semua"
                                                                    << "browse" << true << "4"
                                                                    << ""
                                                                    << "" << deletedAll;
    QTest::newRow("insert, Hapus Semua then Simpan")
        << 3 << "show; input; semua; simpan"
        << "browse" << false << "4"
        << ""
        << ""
        << QStringList{askedAll, "info: Data Sudah diHapus", "error: ADOTable3: Dataset not in edit or insert mode."};
    QTest::newRow("insert, shown again, Batal") << 3 << "show; input; type DBEdit2 Dewi; show; batal"
                                                << "browse" << false << "1"
                                                << "Nama 1" << three << none;

    // Editing
    QTest::newRow("edit, Simpan keeps the ID") << 3 << "show; next; ubah; type DBEdit2 Budi; simpan"
                                               << "browse" << false << "2"
                                               << "Budi"
                                               << "1 Nama 1,2 Budi,3 Nama 3" << saved;
    QTest::newRow("edit by typing, Simpan") << 3 << "show; last; type DBEdit2 Budi; ubah; simpan"
                                            << "browse" << false << "3"
                                            << "Budi"
                                            << "1 Nama 1,2 Nama 2,3 Budi" << saved;
    QTest::newRow("edit, Batal") << 3 << "show; next; ubah; type DBEdit2 Budi; batal"
                                 << "browse" << false << "2"
                                 << "Nama 2" << three << none;
    // The changed row is gone from the table when the re-query tries to store the change: the change is dropped
    // and the row shows as read, as an untouched new row is dropped above.
    QTest::newRow("edit, Hapus Semua, the change has no row left")
        << 3 << "show; next; ubah; type DBEdit2 Budi; semua"
        << "browse" << true << "2"
        << "Nama 2"
        << ""
        << QStringList{askedAll, "info: Data Sudah diHapus",
                       "error: Row cannot be located for updating. Some values may have been changed since it was "
                       "last read."};
}

// The entry form's transitions: the cursor's mode, "Simpan"/"Batal", the number box, the edits, the table and the
// messages after each path through the form.
void ParticipantsScreenTest::entryForm() {
    QFETCH(int, participants);
    QFETCH(QString, steps);
    QFETCH(QString, state);
    QFETCH(bool, simpanBatalShown);
    QFETCH(QString, nomorUrut);
    QFETCH(QString, nama);
    QFETCH(QString, table);
    QFETCH(QStringList, shown);
    m_db->addParticipants(participants);
    run(steps);
    TfPeserta& s = screen();
    QCOMPARE(stateName(s.ADOTable3.state()), state);
    QCOMPARE(s.BitBtn5->isVisibleTo(s.TabSheet1), simpanBatalShown);
    QCOMPARE(s.BitBtn6->isVisibleTo(s.TabSheet1), simpanBatalShown);
    QCOMPARE(s.Edit1->text(), nomorUrut);
    QCOMPARE(s.DBEdit2->text(), nama);
    QCOMPARE(stored(), table);
    QCOMPARE(messages(), shown);
    if (steps.endsWith(QLatin1String("input"))) QCOMPARE(s.focusWidget(), s.DBEdit1); // ready for the draw number
}

void ParticipantsScreenTest::sequenceNumberIsTheRowCountPlusOne_data() {
    QTest::addColumn<QList<long long>>("ids");
    QTest::addColumn<QString>("proposed");
    QTest::newRow("empty table") << QList<long long>{} << "1";
    QTest::newRow("five rows") << QList<long long>{1, 2, 3, 4, 5} << "6";
    QTest::newRow("numbers not compared with the stored ones") << QList<long long>{10, 20} << "3";
}

void ParticipantsScreenTest::sequenceNumberIsTheRowCountPlusOne() {
    QFETCH(QList<long long>, ids);
    QFETCH(QString, proposed);
    m_db->addParticipants(std::vector<long long>(ids.begin(), ids.end()));
    run(QStringLiteral("show; last; input"));
    QCOMPARE(screen().Edit1->text(), proposed);
    QCOMPARE(screen().DBEdit1->text(), QString()); // the new row's fields are empty
}

// Rows 1 to 5 typed in, row 3 deleted: "Input Baru" proposes 5, which the database refuses; the operator is told
// which number is taken, in the screen's words. Nothing is lost: the stored rows stay, the typed row stays pending
// and, once its number is mended in the grid, is stored by the next move.
void ParticipantsScreenTest::duplicateAfterADeletionKeepsThePendingRow() {
    show();
    for (int i = 1; i <= 5; ++i)
        run(QStringLiteral("input; type DBEdit1 U-%1; type DBEdit2 Nama %1; simpan").arg(i));
    QCOMPARE(stored(), QStringLiteral("1 Nama 1,2 Nama 2,3 Nama 3,4 Nama 4,5 Nama 5"));
    TestApplication::clear();

    run(QStringLiteral("first; next; next; hapus"));
    TfPeserta& s = screen();
    QCOMPARE(s.Edit1->text(), QStringLiteral("4"));
    run(QStringLiteral("input"));
    QCOMPARE(s.Edit1->text(), QStringLiteral("5"));
    run(QStringLiteral("type DBEdit1 U-6; type DBEdit2 Enam; simpan"));
    QCOMPARE(messages(), QStringList{"error: Nomor urut 5 sudah ada di tabel peserta."});
    QCOMPARE(stored(), QStringLiteral("1 Nama 1,2 Nama 2,4 Nama 4,5 Nama 5"));
    QVERIFY(!s.BitBtn5->isVisible() && !s.BitBtn6->isVisible());
    QCOMPARE(stateName(s.ADOTable3.state()), QStringLiteral("insert"));
    QCOMPARE(s.DBEdit2->text(), QStringLiteral("Enam"));

    // The pending row is the grid's last; its number is typed over there, and a click on another row stores it.
    auto* grid = s.DBGrid1->model();
    QCOMPARE(grid->rowCount(), 5);
    QCOMPARE(grid->index(4, 0).data().toString(), QStringLiteral("5"));
    QCOMPARE(grid->index(4, 2).data().toString(), QStringLiteral("Enam"));
    QVERIFY(grid->setData(grid->index(4, 0), QStringLiteral("6"), Qt::EditRole));
    run(QStringLiteral("grid 0"));
    QCOMPARE(stored(), QStringLiteral("1 Nama 1,2 Nama 2,4 Nama 4,5 Nama 5,6 Enam"));
    QCOMPARE(m_db->rows("SELECT no_undian FROM tb_peserta WHERE ID=6").at(0).at(0), "U-6");
    QCOMPARE(stateName(s.ADOTable3.state()), QStringLiteral("browse"));
    QCOMPARE(messages().size(), 1);
}

void ParticipantsScreenTest::navigatorEnabledStates_data() {
    QTest::addColumn<int>("participants");
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("enabled"); // first, prior, next, last as 1 or 0
    QTest::newRow("empty table") << 0 << "show"
                                 << "0000";
    QTest::newRow("emptied by Hapus Semua") << 3 << "show; semua"
                                            << "0000";
    QTest::newRow("emptied by Hapus Data") << 1 << "show; hapus"
                                           << "0000";
    QTest::newRow("opened, on the first row") << 3 << "show"
                                              << "0011";
    QTest::newRow("one step in") << 3 << "show; next"
                                 << "1111";
    QTest::newRow("on the last row") << 3 << "show; last"
                                     << "1100";
    QTest::newRow("back at the first row") << 3 << "show; last; first"
                                           << "0011";
    QTest::newRow("prior to the first row") << 3 << "show; next; prior"
                                            << "1111";
    QTest::newRow("tried before the first row") << 3 << "show; next; prior; prior"
                                                << "0011";
    QTest::newRow("one row, opened") << 1 << "show"
                                     << "0011";
    QTest::newRow("one row, tried past it") << 1 << "show; next"
                                            << "1100";
}

void ParticipantsScreenTest::navigatorEnabledStates() {
    QFETCH(int, participants);
    QFETCH(QString, steps);
    QFETCH(QString, enabled);
    m_db->addParticipants(participants);
    run(steps);
    QString actual;
    for (auto which : {ui::DBNavigator::First, ui::DBNavigator::Prior, ui::DBNavigator::Next, ui::DBNavigator::Last})
        actual += screen().nav->button(which)->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
    QCOMPARE(actual, enabled);
    QCOMPARE(TestApplication::texts(Kind::Error), QStringList());
}

void ParticipantsScreenTest::ctrlDeleteInTheGridAsks_data() {
    QTest::addColumn<QMessageBox::StandardButton>("answer");
    QTest::addColumn<QString>("table");
    QTest::newRow("OK deletes") << QMessageBox::Ok << "1 Nama 1,3 Nama 3";
    QTest::newRow("Cancel keeps") << QMessageBox::Cancel << "1 Nama 1,2 Nama 2,3 Nama 3";
}

void ParticipantsScreenTest::ctrlDeleteInTheGridAsks() {
    QFETCH(QMessageBox::StandardButton, answer);
    QFETCH(QString, table);
    m_db->addParticipants(3);
    run(QStringLiteral("show; grid 1"));
    ui::MessageBox::setNextAnswer(answer);
    QTest::keyClick(screen().DBGrid1, Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(messages(), QStringList{"confirm: Delete record?"});
    QCOMPARE(stored(), table);
    QCOMPARE(screen().DBGrid1->model()->rowCount(), static_cast<int>(table.count(QLatin1Char(',')) + 1));

    // The "Hapus Data" button asks nothing.
    run(QStringLiteral("hapus7"));
    QCOMPARE(messages().size(), 1);
}

void ParticipantsScreenTest::participantTypedInShowsInTheGridAndTheTable() {
    m_db->addParticipants(2);
    run(QStringLiteral("show; input; type DBEdit1 U-003; type DBEdit2 Siti Nur'aini; type DBEdit3 0812 3456; "
                       "simpan"));
    QCOMPARE(messages(), QStringList{"plain: Data baru telah disimpan"});
    QCOMPARE(m_db->rows("SELECT ID, no_undian, nama, hp, typeof(ID) FROM tb_peserta WHERE ID=3"),
             (std::vector<std::vector<std::string>>{{"3", "U-003", "Siti Nur'aini", "0812 3456", "integer"}}));
    auto* grid = screen().DBGrid1->model();
    QCOMPARE(grid->rowCount(), 3);
    QStringList cells;
    for (int c = 0; c < 4; ++c)
        cells << grid->index(2, c).data().toString();
    QCOMPARE(cells, (QStringList{"3", "U-003", "Siti Nur'aini", "0812 3456"}));
}

// Participants stored before the program starts: while the table is as the draw read it, "Lihat Peserta" shows the
// draw's rows without a copy of them (ten million show at once, in no more memory). A participant typed in goes to
// the table and the grid, not to the list the draw drew from; the next showing reads the changed table.
void ParticipantsScreenTest::gridTakesTheDrawsListWhileTheTableIsAsRead() {
    m_app.reset();
    m_db->addParticipants(2);
    m_app = std::make_unique<TestApplication>(m_db->directory());
    show();
    QCOMPARE(screen().DBGrid1->model()->rowCount(), 2);
    QCOMPARE(screen().DBGrid1->model()->index(1, 2).data().toString(), QStringLiteral("Nama 2"));
    QCOMPARE(screen().ADOTable3.snapshotBytes(), std::size_t{0});

    run(QStringLiteral("input; type DBEdit1 U-003; type DBEdit2 Siti; simpan"));
    QCOMPARE(m_db->rows("SELECT nama FROM tb_peserta WHERE ID=3"), (std::vector<std::vector<std::string>>{{"Siti"}}));
    QCOMPARE(screen().DBGrid1->model()->rowCount(), 3);
    QCOMPARE(fAcak->ADOTable1.recordCount(), std::size_t{2}); // the draw keeps its list

    show();
    QCOMPARE(screen().DBGrid1->model()->rowCount(), 3);
    QVERIFY(screen().ADOTable3.snapshotBytes() > 0); // read from the table
}

// "Hapus Semua" asks first, naming how many participants the table holds, and its statement keeps SQLite's
// one-step emptying of the table (an OP_Clear), which a WHERE clause, a trigger or a RETURNING would turn into a
// row-by-row delete.
void ParticipantsScreenTest::hapusSemuaEmptiesTheTableInOneStep() {
    m_db->addParticipants(50);
    run(QStringLiteral("show; semua"));
    QCOMPARE(m_db->count("tb_peserta"), 0);
    QCOMPARE(screen().DBGrid1->model()->rowCount(), 0);
    QCOMPARE(messages(), (QStringList{"ask: Hapus semua 50 peserta? Tindakan ini tidak dapat dibatalkan.",
                                      "info: Data Sudah diHapus"}));

    bool clears = false, deletesRows = false;
    for (const auto& op : m_db->rows(std::string("EXPLAIN ") + core::Participants::kClearAll)) {
        clears |= op.at(1) == "Clear";
        deletesRows |= op.at(1) == "Delete";
    }
    QVERIFY(clears);
    QVERIFY(!deletesRows);
}

// No, the default answer, keeps every participant and the grid as they were; the count is the table's, including
// rows stored since the grid was read; an empty table has nothing to ask about.
void ParticipantsScreenTest::hapusSemuaAsksFirst() {
    m_db->addParticipants(3);
    run(QStringLiteral("show; grid 1"));
    m_db->exec("INSERT INTO tb_peserta VALUES(9,'D9','Nama 9','089')"); // stored elsewhere meanwhile
    ui::MessageBox::setNextAnswer(QMessageBox::No);
    run(QStringLiteral("semua"));
    QCOMPARE(messages(), QStringList{"ask: Hapus semua 4 peserta? Tindakan ini tidak dapat dibatalkan."});
    QCOMPARE(m_db->count("tb_peserta"), 4);
    QCOMPARE(screen().DBGrid1->model()->rowCount(), 3);
    QCOMPARE(screen().ADOTable3.position(), std::size_t{1});

    m_db->exec("DELETE FROM tb_peserta");
    TestApplication::clear();
    run(QStringLiteral("semua"));
    QCOMPARE(messages(), QStringList{"info: Data Sudah diHapus"});
}

void ParticipantsScreenTest::hapusSemuaThatFailsNeitherConfirmsNorRequeries() {
    m_db->addParticipants(3);
    show();
    m_db->exec("ALTER TABLE tb_peserta RENAME TO tb_lama");
    run(QStringLiteral("semua"));
    QCOMPARE(messages().size(), 1);
    QVERIFY(messages().first().startsWith(QStringLiteral("error: no such table: tb_peserta")));
    QCOMPARE(screen().DBGrid1->model()->rowCount(), 3); // not re-queried
}

// With no database the screen still shows, with an empty grid, and every action reports the closed cursor.
void ParticipantsScreenTest::closedCursorWhenTheDatabaseIsMissing() {
    m_app.reset();
    QTemporaryDir empty;
    m_app = std::make_unique<TestApplication>(empty.path());
    TestApplication::clear();
    show();
    TfPeserta& s = screen();
    QVERIFY(s.isVisible());
    QCOMPARE(s.DBGrid1->model()->rowCount(), 0);
    QCOMPARE(messages().size(), 1); // the open's own error
    TestApplication::clear();
    run(QStringLiteral("input; hapus; ubah; semua"));
    const QString closed = QStringLiteral("error: ADOTable3: Cannot perform this operation on a closed dataset.");
    QCOMPARE(messages().mid(0, 3), (QStringList{closed, closed, closed}));
    QCOMPARE(messages().size(), 4); // the command's own error: no connection
    QVERIFY(!s.BitBtn5->isVisible());
    QCOMPARE(s.Edit1->text(), QString());
}

void ParticipantsScreenTest::tutupHidesAndKeepsTheForm() {
    m_db->addParticipants(2);
    run(QStringLiteral("show; input; type DBEdit2 Dewi; tutup"));
    TfPeserta& s = screen();
    QVERIFY(!s.isVisible());
    QVERIFY(fAcak != nullptr);
    s.PageControl1->setCurrentWidget(s.TabSheet2);
    show();
    QVERIFY(s.isVisible());
    QCOMPARE(s.PageControl1->currentWidget(), s.TabSheet2); // nothing changes the tab
    QCOMPARE(s.Edit1->text(), QStringLiteral("3"));
    QVERIFY(s.BitBtn5->isVisibleTo(s.TabSheet1));
    QCOMPARE(stored(), QStringLiteral("1 Nama 1,2 Nama 2"));
}

// A screen reader, or a check from outside, tells the form's fields apart by their captions, not by the group's.
void ParticipantsScreenTest::fieldsAreNamedAfterTheirCaptions() {
    show();
    TfPeserta& s = screen();
    const QList<std::pair<QWidget*, QString>> expected = {
        {s.Edit1, QStringLiteral("Nomor Urut")},
        {s.DBEdit1, QStringLiteral("Nomor Undian")},
        {s.DBEdit2, QStringLiteral("Nama Peserta")},
        {s.DBEdit3, QStringLiteral("Nomor Handphone")},
    };
    for (const auto& [widget, name] : expected) {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
        QVERIFY(accessible);
        QCOMPARE(accessible->text(QAccessible::Name), name);
    }
}

// A data-aware edit bound to a field its table lacks says so through the default error handler, instead of showing
// an empty value as if the field were empty.
void ParticipantsScreenTest::editOfAFieldTheTableLacksSaysSo() {
    show();
    QVERIFY(screen().ADOTable3.active());
    ui::DBEdit edit;
    edit.setDataSource(&screen().DataSource2, "alamat");
    QCOMPARE(TestApplication::texts(Kind::Error), QStringList{QStringLiteral("ADOTable3: Field 'alamat' not found.")});
    QCOMPARE(edit.text(), QString());
}

QTEST_MAIN(ParticipantsScreenTest)
#include "ParticipantsScreenTest.moc"
