// The screens as windows on the desktop: where each one first shows, and which screen owns each message box and
// file dialog (the window manager keeps a dialog above its owner, even above a screen that stays on top).
#include "data/uData.h"
#include "draw/uAcak.h"
#include "participants/uPeserta.h"
#include "platform/ui/DBEdit.h"
#include "platform/ui/DBGrid.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/Timer.h"
#include "platform/ui/WindowPlacement.h"
#include "tests/support/TestApplication.h"
#include "tests/support/TestDatabase.h"
#include "winners/uPemenang.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QWindow>
#include <QtTest>
#include <memory>

using Kind = ui::MessageBox::Kind;

class ScreenWindowsTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void screensFirstShowWithinTheAvailableArea();
    void dialogsBelongToTheScreenThatRaisedThem_data();
    void dialogsBelongToTheScreenThatRaisedThem();
    void realBoxAndFileDialogAreTransientForTheirScreen();

private:
    std::unique_ptr<TestDatabase> m_db;
    std::unique_ptr<TestApplication> m_app;
    QTemporaryDir m_out;
};

void ScreenWindowsTest::init() {
    QApplication::setQuitOnLastWindowClosed(false);
    m_db = std::make_unique<TestDatabase>();
    m_db->addParticipants(3);
    m_db->exec("INSERT INTO tb_pemenang VALUES('D1', 'Nama 1', 'TV')");
    m_app = std::make_unique<TestApplication>(m_db->directory());
    fAcak->Timer1->setEnabled(false);
    fAcak->show();
    fAcak->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(fAcak));
}

void ScreenWindowsTest::cleanup() {
    ui::MessageBox::setRecording(true);
    m_app.reset();
    m_db.reset();
}

// Centred in the screen's available area, and never with the title bar above its top: the offscreen screen is
// smaller than the draw and the participants screens and shorter than the winners screen.
void ScreenWindowsTest::screensFirstShowWithinTheAvailableArea() {
    QTest::mouseClick(fAcak->BitBtn6, Qt::LeftButton);
    QTest::mouseClick(fAcak->BitBtn7, Qt::LeftButton);
    for (QWidget* screen :
         {static_cast<QWidget*>(fAcak), static_cast<QWidget*>(fPemenang), static_cast<QWidget*>(fPeserta)}) {
        QVERIFY(QTest::qWaitForWindowExposed(screen));
        const QRect available = screen->screen()->availableGeometry();
        const QRect frame = screen->frameGeometry();
        QVERIFY2(frame.top() >= available.top() && frame.left() >= available.left(), qPrintable(screen->objectName()));
        QCOMPARE(frame.topLeft(), ui::centredFramePosition(available, frame.size()));
    }
}

void ScreenWindowsTest::dialogsBelongToTheScreenThatRaisedThem_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("owner");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("text"); // the beginning of the message
    auto row = [](const char* action, const char* owner, Kind kind, const char* text) {
        QTest::newRow(action) << QString::fromLatin1(action) << QString::fromLatin1(owner) << static_cast<int>(kind)
                              << QString::fromLatin1(text);
    };
    row("draw: Simpan", "fAcak", Kind::Information, "Data Sudah Disimpan");
    row("draw: OK with a refused speed", "fAcak", Kind::Error, "'x' is not a valid speed");
    row("winners: export", "fPemenang", Kind::Plain, "Export Data Pemenang Sukses");
    row("winners: export into a missing folder", "fPemenang", Kind::Error, "File not found");
    row("winners: Ctrl+Delete in the grid", "fPemenang", Kind::Confirmation, "Delete record?");
    row("winners: Delete", "fPemenang", Kind::Question, "Hapus pemenang D1, Nama 1?");
    row("winners: shown with its table gone", "fPemenang", Kind::Error, "no such table: tb_pemenang");
    row("participants: Simpan", "fPeserta", Kind::Plain, "Data baru telah disimpan");
    row("participants: Hapus Semua", "fPeserta", Kind::Information, "Data Sudah diHapus");
    row("participants: Hapus Semua, No", "fPeserta", Kind::Question, "Hapus semua 3 peserta?");
    row("participants: Ctrl+Delete in the grid", "fPeserta", Kind::Confirmation, "Delete record?");
    row("participants: shown with its table gone", "fPeserta", Kind::Error, "no such table: tb_peserta");
}

// Each box is recorded with the parent it would have had; each file dialog answered by the test reports its parent.
void ScreenWindowsTest::dialogsBelongToTheScreenThatRaisedThem() {
    QFETCH(QString, action);
    QFETCH(QString, owner);
    QFETCH(int, kind);
    QFETCH(QString, text);
    auto click = [](QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); };
    QWidget* fileDialogOwner = nullptr;
    if (action == QLatin1String("draw: Simpan")) {
        click(fAcak->BitBtn4);
        click(fAcak->BitBtn2);
    } else if (action == QLatin1String("draw: OK with a refused speed")) {
        fAcak->DBEdit1->setFocus();
        fAcak->DBEdit1->selectAll();
        QTest::keyClicks(fAcak->DBEdit1, QStringLiteral("x"));
        QTest::keyClick(fAcak->DBEdit1, Qt::Key_Return);
    } else if (action.startsWith(QLatin1String("winners: export"))) {
        click(fAcak->BitBtn6);
        const bool missing = action.endsWith(QLatin1String("folder"));
        ui::FileDialog::setNextFileName(
            m_out.filePath(missing ? QStringLiteral("no/pemenang.xls") : QStringLiteral("pemenang.xls")));
        click(fPemenang->BitBtn2);
        fileDialogOwner = ui::FileDialog::answeredParent();
    } else if (action == QLatin1String("winners: Ctrl+Delete in the grid")) {
        click(fAcak->BitBtn6);
        fPemenang->DBGrid1->setFocus();
        QTest::keyClick(fPemenang->DBGrid1, Qt::Key_Delete, Qt::ControlModifier);
    } else if (action == QLatin1String("winners: Delete")) {
        click(fAcak->BitBtn6);
        ui::MessageBox::setNextAnswer(QMessageBox::No);
        click(fPemenang->BitBtn3);
    } else if (action == QLatin1String("winners: shown with its table gone")) {
        m_db->exec("ALTER TABLE tb_pemenang RENAME TO tb_lama");
        click(fAcak->BitBtn6);
    } else if (action == QLatin1String("participants: Simpan")) {
        click(fAcak->BitBtn7);
        click(fPeserta->BitBtn1);
        click(fPeserta->BitBtn5);
    } else if (action.startsWith(QLatin1String("participants: Hapus Semua"))) {
        click(fAcak->BitBtn7);
        if (action.endsWith(QLatin1String("No"))) ui::MessageBox::setNextAnswer(QMessageBox::No);
        fPeserta->PageControl1->setCurrentWidget(fPeserta->TabSheet2);
        click(fPeserta->BitBtn8);
    } else if (action == QLatin1String("participants: Ctrl+Delete in the grid")) {
        click(fAcak->BitBtn7);
        fPeserta->PageControl1->setCurrentWidget(fPeserta->TabSheet2);
        fPeserta->DBGrid1->setFocus();
        QTest::keyClick(fPeserta->DBGrid1, Qt::Key_Delete, Qt::ControlModifier);
    } else if (action == QLatin1String("participants: shown with its table gone")) {
        m_db->exec("ALTER TABLE tb_peserta RENAME TO tb_lama");
        click(fAcak->BitBtn7);
    } else {
        QFAIL(qPrintable(action));
    }
    QTest::qWait(20);

    // A question asked before the action belongs to the same screen as the box that follows.
    const auto shown = TestApplication::shown();
    QCOMPARE(shown.size(), action.endsWith(QLatin1String("Hapus Semua")) ? 2 : 1);
    for (const auto& box : shown) {
        QVERIFY(box.parent);
        QCOMPARE(box.parent->objectName(), owner);
    }
    QCOMPARE(static_cast<int>(shown.last().kind), kind);
    QVERIFY2(shown.last().text.startsWith(text), qPrintable(shown.last().text));
    if (action.startsWith(QLatin1String("winners: export"))) QCOMPARE(fileDialogOwner, fPemenang);
}

// The real dialogs, not recorded: each is the child of the screen that raised it and transient for its window, which
// is what the window manager stacks it by; one whose screen may lie beneath a screen that stays on top stays on top.
void ScreenWindowsTest::realBoxAndFileDialogAreTransientForTheirScreen() {
    QTest::mouseClick(fAcak->BitBtn6, Qt::LeftButton);
    QVERIFY(QTest::qWaitForWindowExposed(fPemenang));
    ui::MessageBox::setRecording(false);
    QStringList seen;
    // Closes the next modal dialog once it is up, noting its class and whether the winners screen owns it.
    auto closeNextDialog = [&seen] {
        auto* poll = new QTimer;
        poll->setInterval(10);
        QObject::connect(poll, &QTimer::timeout, [&seen, poll] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || !modal->isVisible()) return;
            poll->deleteLater();
            QWidget* owner = modal->parentWidget();
            const bool transient =
                owner && modal->windowHandle() && modal->windowHandle()->transientParent() == owner->windowHandle();
            seen << QStringLiteral("%1 of %2%3%4")
                        .arg(QString::fromLatin1(modal->metaObject()->className()),
                             owner ? owner->objectName() : QStringLiteral("nobody"),
                             transient ? QString() : QStringLiteral(", not transient"),
                             modal->windowFlags().testFlag(Qt::WindowStaysOnTopHint) ? QStringLiteral(", on top")
                                                                                     : QString());
            static_cast<QDialog*>(modal)->done(QDialog::Rejected);
        });
        poll->start();
    };

    closeNextDialog();
    QTest::mouseClick(fPemenang->BitBtn2, Qt::LeftButton); // the file dialog, cancelled
    ui::FileDialog::setNextFileName(m_out.filePath(QStringLiteral("pemenang.xls")));
    closeNextDialog();
    QTest::mouseClick(fPemenang->BitBtn2, Qt::LeftButton); // written, then the success box
    // The draw screen stays usable beneath the winners screen: its box stays on top as that screen does.
    QTest::mouseClick(fAcak->BitBtn4, Qt::LeftButton);
    closeNextDialog();
    QTest::mouseClick(fAcak->BitBtn2, Qt::LeftButton);
    // With the winners screen closed, the draw screen's box has nothing to stay above.
    fPemenang->close();
    QTest::mouseClick(fAcak->BitBtn4, Qt::LeftButton);
    closeNextDialog();
    QTest::mouseClick(fAcak->BitBtn2, Qt::LeftButton);
    QCOMPARE(seen, (QStringList{"QFileDialog of fPemenang", "QMessageBox of fPemenang", "QMessageBox of fAcak, on top",
                                "QMessageBox of fAcak"}));
}

QTEST_MAIN(ScreenWindowsTest)
#include "ScreenWindowsTest.moc"
