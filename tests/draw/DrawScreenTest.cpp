#include "draw/uAcak.h"
#include "platform/ui/DBEdit.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Timer.h"
#include "tests/draw/DrawFixture.h"

#include <QAccessible>
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QScrollBar>
#include <QStyle>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <cstdlib>

using Kind = ui::MessageBox::Kind;

namespace {

// A name of the given length made of words, as names are.
QString nameOf(int length) {
    const QString words = QStringLiteral("Siti Nurhaliza binti Abdullah Rahman Putri Kusumawardhani ");
    QString name;
    while (name.size() < length)
        name += words;
    name.truncate(length);
    if (name.endsWith(QLatin1Char(' '))) name.back() = QLatin1Char('a');
    return name;
}

// The edit draws the whole value, from its first character: at its font the value is narrower than the edit's
// line, the line begins with the first character and ends after the last. The line is the edit's rectangle less
// its frame, its text margins and the 2 pixels a line edit keeps beside its text.
void verifyWholeLine(QLineEdit* edit, const QString& value) {
    QCOMPARE(edit->text(), value);
    (void)edit->grab(); // the edit works out how far it scrolls when it paints
    const int frame = edit->hasFrame() ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, edit) : 0;
    const int left = frame + edit->textMargins().left() + 2;
    const int right = edit->width() - frame - edit->textMargins().right() - 2;
    QVERIFY2(QFontMetrics(edit->font()).horizontalAdvance(value) < right - left, qPrintable(edit->objectName()));
    const int middle = edit->height() / 2;
    QCOMPARE(edit->cursorPositionAt({left, middle}), 0);
    QCOMPARE(edit->cursorPositionAt({right - 1, middle}), value.size());
}

// The memo draws the whole value: its wrapped lines, at its font, fit the viewport, and the first and the last
// character stand inside it without scrolling.
void verifyWholeMemo(QPlainTextEdit* memo, const QString& value) {
    QCOMPARE(memo->toPlainText(), value);
    (void)memo->grab();
    const QRect view = memo->viewport()->rect();
    int lines = 0;
    for (QTextBlock block = memo->document()->firstBlock(); block.isValid(); block = block.next())
        lines += block.layout()->lineCount();
    const qreal margins = 2 * memo->document()->documentMargin();
    QVERIFY(lines * QFontMetrics(memo->font()).lineSpacing() + margins <= view.height());
    QCOMPARE(memo->verticalScrollBar()->value(), 0);
    QTextCursor first(memo->document());
    QTextCursor last(memo->document());
    last.movePosition(QTextCursor::End);
    QVERIFY(view.contains(memo->cursorRect(first)));
    QVERIFY(view.contains(memo->cursorRect(last)));
}

} // namespace

class DrawScreenTest : public QObject {
    Q_OBJECT

private:
    static void typeSpeed(const QString& text) {
        fAcak->DBEdit1->setFocus();
        fAcak->DBEdit1->selectAll();
        QTest::keyClick(fAcak->DBEdit1, Qt::Key_Backspace);
        QTest::keyClicks(fAcak->DBEdit1, text);
    }

private slots:
    // --- Speed -------------------------------------------------------------------------------------------------

    void speedChange() {
        DrawFixture f([](TestDatabase& db) { db.addParticipants(5); });
        QCOMPARE(fAcak->DBEdit1->text(), QStringLiteral("50"));
        typeSpeed(QStringLiteral("200"));
        QCOMPARE(f.db().rows("SELECT speed FROM setup"), (std::vector<std::vector<std::string>>{{"50"}}));
        DrawFixture::click("BitBtn5");
        QCOMPARE(TestApplication::texts(Kind::Information), QStringList{QStringLiteral("Kecepatan telah di ubah")});
        QCOMPARE(TestApplication::texts(Kind::Error), QStringList());
        QCOMPARE(fAcak->Timer2->interval(), 200);
        QCOMPARE(f.db().rows("SELECT speed FROM setup"), (std::vector<std::vector<std::string>>{{"200"}}));
        QCOMPARE(fAcak->DBEdit1->text(), QStringLiteral("200"));
        QCOMPARE(f.db().count("setup"), 1);
    }

    // The winners setting stored while a speed is typed but not applied: the setting is stored at once, the typed
    // speed neither stored nor lost, and "OK" then stores and applies it as ever.
    void winnersSettingBesideATypedSpeed() {
        DrawFixture f([](TestDatabase& db) { db.addParticipants(5); });
        typeSpeed(QStringLiteral("200"));
        fAcak->setWinnersOnce(true);
        QCOMPARE(f.db().rows("SELECT speed, pemenang_tidak_diundi_lagi FROM setup"),
                 (std::vector<std::vector<std::string>>{{"50", "1"}}));
        QCOMPARE(fAcak->DBEdit1->text(), QStringLiteral("200"));
        DrawFixture::click("BitBtn5");
        QCOMPARE(TestApplication::texts(Kind::Error), QStringList());
        QCOMPARE(fAcak->Timer2->interval(), 200);
        QCOMPARE(f.db().rows("SELECT speed, pemenang_tidak_diundi_lagi FROM setup"),
                 (std::vector<std::vector<std::string>>{{"200", "1"}}));
    }

    void okWithoutTypingRereadsTheStoredSpeed() {
        DrawFixture f([](TestDatabase& db) { db.addParticipants(5); });
        f.db().exec("UPDATE setup SET speed=75");
        DrawFixture::click("BitBtn5");
        QCOMPARE(fAcak->Timer2->interval(), 75);
        QCOMPARE(fAcak->DBEdit1->text(), QStringLiteral("75"));
    }

    void okWhileShufflingHalts() {
        DrawFixture f([](TestDatabase& db) { db.addParticipants(5); });
        DrawFixture::click("btn_acak");
        typeSpeed(QStringLiteral("30"));
        DrawFixture::click("BitBtn5");
        QVERIFY(fAcak->btn_acak->isHidden()); // "Stop" still shows
        QVERIFY(!fAcak->Timer2->enabled());
        QVERIFY(!fAcak->Timer2->running());
        DrawFixture::click("btn_stop");
        DrawFixture::click("btn_acak");
        QVERIFY(fAcak->Timer2->running());
        QCOMPARE(fAcak->Timer2->interval(), 30); // the next shuffle runs at the new speed
    }

    void speedZeroNeverTicks() {
        DrawFixture f([](TestDatabase& db) {
            db.addParticipants(5);
            db.exec("UPDATE setup SET speed=0");
        });
        QCOMPARE(fAcak->Timer2->interval(), 0);
        DrawFixture::click("BitBtn4");
        DrawFixture::click("btn_acak");
        QVERIFY(fAcak->btn_acak->isHidden());
        QCOMPARE(fAcak->ed_msisdn->text(), QString());
        QCOMPARE(fAcak->Memo1->toPlainText(), QString());
        QVERIFY(!fAcak->Timer2->running());
        QTest::qWait(100);
        QCOMPARE(fAcak->Edit1->text(), QString()); // the display stands still
        DrawFixture::click("btn_stop");
        QVERIFY(!fAcak->btn_acak->isHidden());

        // Back to a real speed through the box, and the shuffle runs again.
        typeSpeed(QStringLiteral("5"));
        DrawFixture::click("BitBtn5");
        DrawFixture::click("btn_acak");
        QTRY_VERIFY(!fAcak->Edit1->text().isEmpty());
    }

    void speedZeroTypedIntoTheBox() {
        DrawFixture f([](TestDatabase& db) { db.addParticipants(5); });
        typeSpeed(QStringLiteral("0"));
        DrawFixture::click("BitBtn5");
        QCOMPARE(fAcak->Timer2->interval(), 0);
        DrawFixture::click("btn_acak");
        QTest::qWait(100);
        QCOMPARE(fAcak->Edit1->text(), QString());
    }

    void refusedSpeed_data() {
        QTest::addColumn<QString>("typed");
        QTest::newRow("letters") << "abc";
        QTest::newRow("negative") << "-5";
        QTest::newRow("fraction") << "1.5";
        QTest::newRow("empty") << "";
        QTest::newRow("too large") << "99999999999";
        QTest::newRow("digits and letters") << "100ms";
    }

    // A refused text changes nothing: no confirmation, the shuffle and its interval as they were, the text kept.
    void refusedSpeed() {
        QFETCH(QString, typed);
        DrawFixture f([](TestDatabase& db) { db.addParticipants(5); });
        DrawFixture::click("btn_acak");
        typeSpeed(typed);
        QTest::keyClick(fAcak->DBEdit1, Qt::Key_Return); // presses "OK", the first enabled default button
        QCOMPARE(TestApplication::texts(Kind::Error).size(), 1);
        QVERIFY(TestApplication::texts(Kind::Error).first().contains(QStringLiteral("'%1'").arg(typed)));
        QCOMPARE(TestApplication::texts(Kind::Information), QStringList());
        QCOMPARE(fAcak->Timer2->interval(), 50);
        QVERIFY(fAcak->Timer2->enabled());
        QVERIFY(fAcak->btn_acak->isHidden());
        QCOMPARE(fAcak->DBEdit1->text(), typed);
        QCOMPARE(f.db().rows("SELECT speed FROM setup"), (std::vector<std::vector<std::string>>{{"50"}}));

        // Clicking "OK" is refused the same way; the operator then mends the text and the change goes through.
        TestApplication::clear();
        DrawFixture::click("BitBtn5");
        QVERIFY(!TestApplication::texts(Kind::Error).isEmpty());
        QCOMPARE(TestApplication::texts(Kind::Information), QStringList());
        QCOMPARE(fAcak->DBEdit1->text(), typed);
        QVERIFY(fAcak->Timer2->enabled());
        typeSpeed(QStringLiteral("80"));
        TestApplication::clear();
        DrawFixture::click("BitBtn5");
        QCOMPARE(TestApplication::texts(Kind::Error), QStringList());
        QCOMPARE(fAcak->Timer2->interval(), 80);
        QCOMPARE(f.db().rows("SELECT speed FROM setup"), (std::vector<std::vector<std::string>>{{"80"}}));
    }

    void refusedSpeedIsShownOncePerAction_data() {
        QTest::addColumn<QStringList>("actions");
        QTest::newRow("a click on OK") << QStringList{"click OK"};
        QTest::newRow("Enter in the speed, the box taking the activation") << QStringList{"Enter"};
        QTest::newRow("Tab out of the speed, then OK") << QStringList{"Tab", "click OK"};
        QTest::newRow("OK clicked twice") << QStringList{"click OK", "click OK"};
        QTest::newRow("Enter twice") << QStringList{"Enter", "Enter"};
    }

    // Each action that hands a refused speed over shows the refusal once, whether the field is left on the way
    // (a click on OK) or a box takes the activation from the field (Enter presses OK; the box's window comes up).
    void refusedSpeedIsShownOncePerAction() {
        QFETCH(QStringList, actions);
        DrawFixture f([](TestDatabase& db) { db.addParticipants(5); });
        typeSpeed(QStringLiteral("abc"));
        for (const QString& action : actions) {
            TestApplication::clear();
            if (action == QLatin1String("click OK")) {
                QTest::mouseClick(fAcak->BitBtn5, Qt::LeftButton);
            } else if (action == QLatin1String("Tab")) {
                QTest::keyClick(fAcak->DBEdit1, Qt::Key_Tab);
            } else {
                fAcak->DBEdit1->setFocus();
                QTest::keyClick(fAcak->DBEdit1, Qt::Key_Return);
                // A real message box takes the activation from the screen while it shows.
                QWidget box;
                box.show();
                box.activateWindow();
                QVERIFY(QTest::qWaitForWindowActive(&box));
                box.close();
                fAcak->activateWindow();
                QVERIFY(QTest::qWaitForWindowActive(fAcak));
            }
            QTest::qWait(50); // whatever the action left to the event loop
            QCOMPARE(TestApplication::texts(Kind::Error).size(), 1);
            QCOMPARE(TestApplication::texts(Kind::Information), QStringList());
        }
        QCOMPARE(fAcak->DBEdit1->text(), QStringLiteral("abc"));
        QCOMPARE(f.db().rows("SELECT speed FROM setup"), (std::vector<std::vector<std::string>>{{"50"}}));
    }

    // --- Marquee -----------------------------------------------------------------------------------------------

    void marquee_data() {
        QTest::addColumn<int>("ticks");
        QTest::addColumn<QString>("title");
        const QString text = QStringLiteral("Tombolika v1.2 - Aplikasi Tombolika");
        QTest::newRow("0") << 0 << QString();
        QTest::newRow("1") << 1 << QStringLiteral("T");
        QTest::newRow("10") << 10 << text.left(10);
        QTest::newRow("35") << 35 << text;
        QTest::newRow("36") << 36 << text;
        QTest::newRow("41") << 41 << text;
        QTest::newRow("42") << 42 << QString();
        QTest::newRow("43") << 43 << QStringLiteral("T");
        QTest::newRow("84") << 84 << QString();
        QTest::newRow("119") << 119 << text;
    }

    void marquee() {
        QFETCH(int, ticks);
        QFETCH(QString, title);
        DrawFixture f;
        QCOMPARE(fAcak->windowTitle(), QString());
        for (int i = 0; i < ticks; ++i)
            fAcak->Timer1Timer(fAcak->Timer1);
        QCOMPARE(fAcak->windowTitle(), title);
        QCOMPARE(fAcak->marqueeCounter(), ticks % 42);
    }

    void marqueeRunsOnItsTimer() {
        DrawFixture f;
        QCOMPARE(fAcak->Timer1->interval(), 200);
        fAcak->Timer1->setEnabled(true);
        QTRY_COMPARE_WITH_TIMEOUT(fAcak->windowTitle(), QStringLiteral("Tom"), 2000);
    }

    // --- Layout ------------------------------------------------------------------------------------------------

    void geometry_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("rect");
        QTest::newRow("BitBtn1") << "BitBtn1" << QRect(864, 640, 129, 65);
        QTest::newRow("BitBtn2") << "BitBtn2" << QRect(784, 400, 105, 57);
        QTest::newRow("ed_hadiah") << "ed_hadiah" << QRect(336, 496, 385, 33);
        QTest::newRow("ed_msisdn") << "ed_msisdn" << QRect(336, 336, 385, 33);
        QTest::newRow("btn_acak") << "btn_acak" << QRect(392, 216, 265, 57);
        QTest::newRow("btn_stop") << "btn_stop" << QRect(392, 216, 265, 57);
        QTest::newRow("BitBtn3") << "BitBtn3" << QRect(784, 464, 105, 57);
        QTest::newRow("BitBtn4") << "BitBtn4" << QRect(784, 336, 105, 57);
        QTest::newRow("Edit1") << "Edit1" << QRect(216, 112, 609, 73);
        QTest::newRow("Memo1") << "Memo1" << QRect(336, 376, 385, 65);
        QTest::newRow("BitBtn6") << "BitBtn6" << QRect(424, 640, 129, 65);
        QTest::newRow("BitBtn7") << "BitBtn7" << QRect(280, 640, 129, 65);
        QTest::newRow("DBEdit1") << "DBEdit1" << QRect(40, 668, 49, 21);
        QTest::newRow("BitBtn5") << "BitBtn5" << QRect(168, 664, 65, 25);
        QTest::newRow("BitBtn8") << "BitBtn8" << QRect(568, 640, 129, 65);
        QTest::newRow("Edit2") << "Edit2" << QRect(336, 456, 385, 33);
        QTest::newRow("btn_daftarHadiah") << "btn_daftarHadiah" << QRect(716, 640, 129, 65);
        QTest::newRow("Image1 before loading") << "Image1" << QRect(10, 8, 54, 60);
    }

    void geometry() {
        QFETCH(QString, name);
        QFETCH(QRect, rect);
        DrawFixture f;
        auto* widget = fAcak->findChild<QWidget*>(name);
        QVERIFY(widget);
        if (name == QLatin1String("Image1")) {
            // The logo was loaded: the picture keeps its top-left corner and takes its own size.
            QCOMPARE(widget->pos(), rect.topLeft());
            QVERIFY(!static_cast<QLabel*>(widget)->pixmap().isNull());
            QCOMPARE(widget->size(), static_cast<QLabel*>(widget)->pixmap().size());
            return;
        }
        QCOMPARE(widget->geometry(), rect);
        // Resizing the window moves nothing.
        fAcak->resize(1200, 900);
        QCOMPARE(widget->geometry(), rect);
        fAcak->resize(800, 600);
        QCOMPARE(widget->geometry(), rect);
    }

    void tabOrder() {
        DrawFixture f;
        const QStringList expected{"BitBtn1", "BitBtn2", "ed_hadiah", "ed_msisdn", "btn_acak", "btn_stop",
                                   "BitBtn3", "BitBtn4", "Edit1",     "Memo1",     "BitBtn6",  "BitBtn7",
                                   "DBEdit1", "BitBtn5", "BitBtn8",   "Edit2"};
        QWidget* widget = fAcak->findChild<QWidget*>(expected.first());
        for (int i = 1; i < expected.size(); ++i) {
            widget = widget->nextInFocusChain();
            while (widget->focusPolicy() == Qt::NoFocus || widget->parentWidget() != fAcak)
                widget = widget->nextInFocusChain();
            QCOMPARE(widget->objectName(), expected.at(i));
        }
    }

    void outerSize() {
        DrawFixture f;
        QCOMPARE(fAcak->frameGeometry().size(), QSize(1024, 768));
    }

    void pixels_data() {
        QTest::addColumn<QPoint>("point");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("background between the bands") << QPoint(500, 90) << QColor(0xF5, 0xFF, 0xDF);
        QTest::newRow("background left of the panel") << QPoint(40, 400) << QColor(0xF5, 0xFF, 0xDF);
        QTest::newRow("background right of the panel") << QPoint(970, 400) << QColor(0xF5, 0xFF, 0xDF);
        QTest::newRow("top band") << QPoint(200, 40) << QColor(Qt::white);
        QTest::newRow("top band border") << QPoint(500, 75) << QColor(0x8A, 0xC9, 0xCE);
        QTest::newRow("top band right border") << QPoint(1016, 40) << QColor(0x8A, 0xC9, 0xCE);
        QTest::newRow("display band") << QPoint(100, 150) << QColor(Qt::black);
        QTest::newRow("display band border") << QPoint(100, 104) << QColor(0x00, 0x80, 0x40);
        QTest::newRow("display band lower border") << QPoint(100, 192) << QColor(0x00, 0x80, 0x40);
        QTest::newRow("display") << QPoint(230, 120) << QColor(Qt::black);
        QTest::newRow("panel") << QPoint(100, 300) << QColor(0xF1, 0xF1, 0xEF);
        QTest::newRow("panel right") << QPoint(900, 560) << QColor(0xF1, 0xF1, 0xEF);
        QTest::newRow("panel left border") << QPoint(72, 300) << QColor(0x53, 0x56, 0x5B);
        QTest::newRow("panel lower border") << QPoint(300, 584) << QColor(0x53, 0x56, 0x5B);
        QTest::newRow("background below the panel") << QPoint(300, 600) << QColor(0xF5, 0xFF, 0xDF);
        QTest::newRow("bottom band") << QPoint(855, 700)
                                     << QColor(0x53, 0x56, 0x5B); // between "Daftar Hadiah" and "Keluar"
        QTest::newRow("bottom band border") << QPoint(500, 616) << QColor(0x8A, 0xC9, 0xCE);
        QTest::newRow("speed box") << QPoint(120, 700) << QColor(0x53, 0x56, 0x5B);
        QTest::newRow("speed box left border") << QPoint(16, 680) << QColor(Qt::white);
        QTest::newRow("speed box lower border") << QPoint(120, 712) << QColor(Qt::white);
        QTest::newRow("speed box top border hidden by its title") << QPoint(180, 640) << QColor(0x53, 0x56, 0x5B);
        QTest::newRow("speed box top border") << QPoint(220, 640) << QColor(Qt::white);
        QTest::newRow("speed edit") << QPoint(86, 686) << QColor(0xC0, 0xC0, 0xC0);
        QTest::newRow("prize edit") << QPoint(715, 525) << QColor(Qt::white);
        QTest::newRow("name memo") << QPoint(700, 435) << QColor(Qt::white);
    }

    void pixels() {
        QFETCH(QPoint, point);
        QFETCH(QColor, colour);
        DrawFixture f;
        const QImage image = fAcak->grab().toImage();
        QCOMPARE(QColor(image.pixel(point)), colour);
    }

    void captionsAreDrawn() {
        // Text of the captions in their colours: some pixels of each caption's colour inside its rectangle.
        DrawFixture f;
        const QImage image = fAcak->grab().toImage();
        if (qEnvironmentVariableIsSet("TOMBOLIKA_SAVE_GRAB")) image.save(qEnvironmentVariable("TOMBOLIKA_SAVE_GRAB"));
        // Captions are antialiased: count the pixels nearer the caption's colour than the colour beneath it.
        auto distance = [](const QColor& a, const QColor& b) {
            return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue());
        };
        auto pixelsOf = [&](const QRect& rect, const QColor& colour, const QColor& beneath) {
            int n = 0;
            for (int y = rect.top(); y <= rect.bottom(); ++y)
                for (int x = rect.left(); x <= rect.right(); ++x) {
                    const QColor c(image.pixel(x, y));
                    if (distance(c, colour) < distance(c, beneath)) ++n;
                }
            return n;
        };
        const QColor panel(0xF1, 0xF1, 0xEF), band(0x53, 0x56, 0x5B), separator(0x00, 0x40, 0x80);
        const QColor green(0x7C, 0xB9, 0x00);
        QVERIFY(pixelsOf({112, 336, 142, 25}, Qt::black, panel) > 100); // NO. UNDIAN
        QVERIFY(pixelsOf({112, 376, 178, 25}, Qt::black, panel) > 100); // NAMA PESERTA
        QVERIFY(pixelsOf({112, 456, 121, 25}, Qt::black, panel) > 100); // NOMOR ID
        QVERIFY(pixelsOf({112, 496, 94, 25}, Qt::black, panel) > 60);   // HADIAH
        for (int top : {336, 376, 456, 496})
            QVERIFY(pixelsOf({312, top, 9, 25}, separator, panel) > 3); // ":"
        QVERIFY(pixelsOf({429, 16, 552, 40}, green, Qt::white) > 500);  // the banner
        QCOMPARE(pixelsOf({982, 16, 30, 40}, green, Qt::white), 0);     // right-aligned at 981
        QVERIFY(pixelsOf({96, 632, 80, 13}, Qt::white, band) > 40);     // Setting Speed
        QVERIFY(pixelsOf({96, 672, 58, 13}, Qt::white, band) > 40);     // Milisecond
        QCOMPARE(pixelsOf({74, 200, 36, 380}, Qt::black, panel), 0);    // nothing strays left of the captions
    }

    void looks() {
        DrawFixture f([](TestDatabase& db) { db.addParticipants(3); });
        auto check = [](QWidget* w, int pixels, bool bold, const QColor& text) {
            QCOMPARE(w->font().pixelSize(), pixels);
            QCOMPARE(w->font().bold(), bold);
            QCOMPARE(w->palette().color(QPalette::Text), text);
        };
        check(fAcak->Edit1, 60, true, QColor(0x00, 0xFF, 0x00));
        QCOMPARE(fAcak->Edit1->font().family(), QStringLiteral("Bookman Old Style"));
        QCOMPARE(fAcak->Edit1->palette().color(QPalette::Base), QColor(Qt::black));
        QVERIFY(!fAcak->Edit1->hasFrame());
        check(fAcak->ed_msisdn, 20, true, QColor(0xFF, 0x80, 0x00));
        check(fAcak->ed_hadiah, 20, true, QColor(0x00, 0x80, 0xFF));
        check(fAcak->Edit2, 20, true, QColor(0xFF, 0x80, 0x00));
        check(fAcak->Memo1, 20, true, QColor(0xFF, 0x80, 0x00));
        check(fAcak->DBEdit1, 11, false, fAcak->palette().color(QPalette::WindowText));
        QCOMPARE(fAcak->DBEdit1->palette().color(QPalette::Base), QColor(0xC0, 0xC0, 0xC0));
        QCOMPARE(fAcak->font().family(), QStringLiteral("Verdana"));
        QCOMPARE(fAcak->font().pixelSize(), 11);
        for (auto* b : fAcak->findChildren<QPushButton*>()) {
            QCOMPARE(b->cursor().shape(), Qt::PointingHandCursor);
            QVERIFY2(!b->icon().isNull(), qPrintable(b->objectName()));
            QCOMPARE(b->font().pixelSize(), 11);
        }
        QVERIFY(!fAcak->windowIcon().isNull());
        // The display keeps its large lime-on-black look with a draw number in it.
        fAcak->Edit1->setText(QStringLiteral("A1234567"));
        const QImage image = fAcak->grab().toImage();
        int lime = 0;
        for (int y = 112; y < 185; ++y)
            for (int x = 216; x < 825; ++x)
                if (QColor(image.pixel(x, y)) == QColor(0x00, 0xFF, 0x00)) ++lime;
        QVERIFY2(lime > 1000, qPrintable(QString::number(lime)));
    }

    // --- Whole values on the display and in the details ---------------------------------------------------------

    void wholeValuesAreShown_data() {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("phone");
        QTest::newRow("6-character number, 10-character name") << "A00123" << nameOf(10) << "081234567890";
        QTest::newRow("18-character number, 40-character name")
            << "2024-JKT-000123456" << nameOf(40) << "+62 812-3456-7890";
        QTest::newRow("30-character number, 80-character name")
            << "2024-JAKARTA-SELATAN-000123456" << nameOf(80) << "0812345678901234567890123456789";
        QTest::newRow("64-character number, 120-character name")
            << "2024-DKI-JAKARTA-SELATAN-KEBAYORAN-BARU-GANDARIA-UTARA-000123456" << nameOf(120) << "0812";
        QTest::newRow("wide letters, name on two lines")
            << "WWWWWWWWWWWWWWWWWW" << QStringLiteral("Siti Nurhaliza\nbinti Abdullah Rahman") << "0812";
    }

    // A drawn participant's number on the display and the details after "Tampilkan" show whole, from the first
    // character: a long value shrinks its field's font, the same family and weight; a short one keeps the design.
    void wholeValuesAreShown() {
        QFETCH(QString, number);
        QFETCH(QString, name);
        QFETCH(QString, phone);
        DrawFixture f([&](TestDatabase& db) {
            db.exec("INSERT INTO tb_peserta VALUES(1, '" + number.toStdString() + "', '" + name.toStdString() + "', '" +
                    phone.toStdString() + "')");
        });
        DrawFixture::click("btn_acak");
        fAcak->Timer2Timer(fAcak->Timer2);
        DrawFixture::click("btn_stop");
        DrawFixture::click("BitBtn4");

        verifyWholeLine(fAcak->Edit1, number);
        verifyWholeLine(fAcak->ed_msisdn, number);
        verifyWholeLine(fAcak->Edit2, phone);
        verifyWholeMemo(fAcak->Memo1, name);
        for (QWidget* field : {static_cast<QWidget*>(fAcak->Edit1), static_cast<QWidget*>(fAcak->ed_msisdn),
                               static_cast<QWidget*>(fAcak->Edit2), static_cast<QWidget*>(fAcak->Memo1)})
            QVERIFY(field->font().bold() && field->font().pixelSize() >= 6);
        QCOMPARE(fAcak->Edit1->font().family(), QStringLiteral("Bookman Old Style"));
        QCOMPARE(fAcak->Memo1->font().family(), QStringLiteral("Verdana"));
        if (number.size() <= 6) {
            QCOMPARE(fAcak->Edit1->font().pixelSize(), 60);
            QCOMPARE(fAcak->ed_msisdn->font().pixelSize(), 20);
        }
        if (number.size() >= 30) QVERIFY(fAcak->Edit1->font().pixelSize() < 60);
        if (name.size() <= 10) QCOMPARE(fAcak->Memo1->font().pixelSize(), 20);

        // The prize typed by the operator shows whole once the field is left.
        const QString prize = QStringLiteral("Sepeda motor listrik dengan helm, jaket dan voucher servis setahun");
        fAcak->ed_hadiah->setFocus();
        QTest::keyClicks(fAcak->ed_hadiah, prize);
        fAcak->BitBtn4->setFocus();
        verifyWholeLine(fAcak->ed_hadiah, prize);

        // The next short number brings the designed size back.
        fAcak->Edit1->setText(QStringLiteral("B7"));
        QCOMPARE(fAcak->Edit1->font().pixelSize(), 60);
    }

    // --- Keyboard ----------------------------------------------------------------------------------------------

    void focusStartsOnKeluar() {
        DrawFixture f;
        QCOMPARE(QApplication::focusWidget(), fAcak->BitBtn1);
    }

    // Enter or Space at start-up ends the program: "Keluar" shows its focus frame, before any Tab was pressed.
    void keluarShowsItsFocusFrameAtStartUp() {
        DrawFixture f;
        QCOMPARE(QApplication::focusWidget(), fAcak->BitBtn1);
        const QImage focused = fAcak->BitBtn1->grab().toImage();
        fAcak->BitBtn4->setFocus();
        const QImage unfocused = fAcak->BitBtn1->grab().toImage();
        QVERIFY(focused != unfocused);
        // Using the mouse meanwhile does not turn the frame off. ("Tampilkan" would hand the keyboard on to the
        // prize: "About" keeps it.)
        QTest::mouseClick(fAcak->BitBtn8, Qt::LeftButton);
        QCOMPARE(QApplication::focusWidget(), fAcak->BitBtn8);
        fAcak->BitBtn1->setFocus();
        QCOMPARE(fAcak->BitBtn1->grab().toImage(), focused);
    }

    void keyboard_data() {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("simpanEnabled");
        QTest::addColumn<QString>("outcome");
        const int none = Qt::NoModifier;
        QTest::newRow("Enter in the prize saves") << "ed_hadiah" << int(Qt::Key_Return) << none << true << "saved";
        QTest::newRow("keypad Enter in the prize saves")
            << "ed_hadiah" << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << true << "saved";
        QTest::newRow("Enter in the phone saves") << "Edit2" << int(Qt::Key_Return) << none << true << "saved";
        QTest::newRow("Enter in the speed saves when Simpan is enabled")
            << "DBEdit1" << int(Qt::Key_Return) << none << true << "saved";
        QTest::newRow("Enter in the prize presses OK without Simpan")
            << "ed_hadiah" << int(Qt::Key_Return) << none << false << "speed";
        QTest::newRow("Enter in the speed presses OK") << "DBEdit1" << int(Qt::Key_Return) << none << false << "speed";
        QTest::newRow("Enter in the display presses OK") << "Edit1" << int(Qt::Key_Return) << none << false << "speed";
        QTest::newRow("Enter in the name starts a new line")
            << "Memo1" << int(Qt::Key_Return) << none << true << "newline";
        QTest::newRow("Escape in an edit clears") << "ed_msisdn" << int(Qt::Key_Escape) << none << true << "cleared";
        QTest::newRow("Escape on a button clears") << "BitBtn4" << int(Qt::Key_Escape) << none << true << "cleared";
        QTest::newRow("Escape without Batal does nothing")
            << "ed_msisdn" << int(Qt::Key_Escape) << none << false << "nothing";
        QTest::newRow("Enter on a button presses it")
            << "btn_acak" << int(Qt::Key_Return) << none << false << "shuffling";
        QTest::newRow("Space on a button presses it")
            << "btn_acak" << int(Qt::Key_Space) << none << false << "shuffling";
        QTest::newRow("Enter on Tampilkan") << "BitBtn4" << int(Qt::Key_Return) << none << false << "details";
        QTest::newRow("Enter on OK") << "BitBtn5" << int(Qt::Key_Return) << none << true << "speed";
        QTest::newRow("Alt+S saves") << "ed_hadiah" << int(Qt::Key_S) << int(Qt::AltModifier) << true << "saved";
        QTest::newRow("Alt+S without Simpan does nothing")
            << "ed_hadiah" << int(Qt::Key_S) << int(Qt::AltModifier) << false << "nothing";
        QTest::newRow("Alt+B clears") << "Edit2" << int(Qt::Key_B) << int(Qt::AltModifier) << true << "cleared";
        QTest::newRow("Enter on Keluar ends") << "BitBtn1" << int(Qt::Key_Return) << none << false << "closed";
        QTest::newRow("Space on Keluar ends") << "BitBtn1" << int(Qt::Key_Space) << none << false << "closed";
    }

    void keyboard() {
        QFETCH(QString, focus);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(bool, simpanEnabled);
        QFETCH(QString, outcome);
        DrawFixture f([](TestDatabase& db) { db.addParticipants(3); });
        if (simpanEnabled) DrawFixture::click("BitBtn4");
        fAcak->ed_hadiah->setText(QStringLiteral("TV"));
        fAcak->Memo1->setPlainText(QStringLiteral("Nama"));
        auto* target = fAcak->findChild<QWidget*>(focus);
        target->setFocus();
        QCOMPARE(QApplication::focusWidget(), target);
        TestApplication::clear();

        QTest::keyClick(target, static_cast<Qt::Key>(key), Qt::KeyboardModifiers(modifiers));
        if (modifiers & Qt::AltModifier) QTest::qWait(300); // an access key animates the click, then clicks

        QCOMPARE(f.db().count("tb_pemenang"), outcome == QLatin1String("saved") ? 1 : 0);
        QCOMPARE(TestApplication::texts(Kind::Information).contains(QStringLiteral("Kecepatan telah di ubah")),
                 outcome == QLatin1String("speed"));
        const bool cleared = outcome == QLatin1String("cleared");
        QCOMPARE(fAcak->ed_hadiah->text().isEmpty(), cleared);
        const QString memo = fAcak->Memo1->toPlainText();
        if (cleared)
            QCOMPARE(memo, QString());
        else if (outcome == QLatin1String("newline"))
            QVERIFY(memo.contains(QLatin1Char('\n')) && memo.contains(QStringLiteral("Nama")));
        else if (outcome == QLatin1String("shuffling"))
            QCOMPARE(memo, QString()); // "Acak" empties the name
        else if (outcome != QLatin1String("details"))
            QCOMPARE(memo, QStringLiteral("Nama"));
        QCOMPARE(fAcak->Timer2->enabled(), outcome == QLatin1String("shuffling"));
        QCOMPARE(fAcak->isVisible(), outcome != QLatin1String("closed"));
        if (outcome == QLatin1String("details") || (simpanEnabled && outcome == QLatin1String("nothing")) ||
            (simpanEnabled && outcome == QLatin1String("newline")))
            QVERIFY(fAcak->BitBtn2->isEnabled());
        if (outcome == QLatin1String("saved") || outcome == QLatin1String("cleared"))
            QVERIFY(!fAcak->BitBtn2->isEnabled());
        QCOMPARE(TestApplication::texts(Kind::Error), QStringList());
    }

    // --- Accessibility -----------------------------------------------------------------------------------------

    // A screen reader, or a check from outside, tells the fields apart by the captions beside them.
    void fieldsAreNamedAfterTheirCaptions() {
        DrawFixture f;
        const QList<std::pair<QWidget*, QString>> expected = {
            {fAcak->ed_msisdn, QStringLiteral("NO. UNDIAN")},
            {fAcak->Memo1, QStringLiteral("NAMA PESERTA")},
            {fAcak->Edit2, QStringLiteral("NOMOR ID")},
            {fAcak->ed_hadiah, QStringLiteral("HADIAH")},
            {fAcak->Edit1, QStringLiteral("Nomor undian (layar)")},
            {fAcak->DBEdit1, QStringLiteral("Setting Speed (Milisecond)")},
        };
        for (const auto& [widget, name] : expected) {
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
            QVERIFY(accessible);
            QCOMPARE(accessible->text(QAccessible::Name), name);
            QCOMPARE(accessible->role(), QAccessible::EditableText);
        }
    }

    // --- About -------------------------------------------------------------------------------------------------

    void about() {
        DrawFixture f([](TestDatabase& db) { db.addParticipants(25); });
        DrawFixture::click("BitBtn8");
        const auto shown = TestApplication::shown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().kind, Kind::Plain);
        QCOMPARE(shown.first().caption, QStringLiteral("Tombolika"));
        QVERIFY(shown.first().text.contains(QStringLiteral("Tombolika v1.2")));
        QVERIFY(shown.first().text.contains(QStringLiteral(": 25")));
        QVERIFY(shown.first().text.contains(QStringLiteral("F11")));
        QVERIFY(!shown.first().text.contains(QStringLiteral("sudah menang"))); // only while winners are left out
    }

    void aboutCountsWinnersWhileTheyAreNotDrawnAgain() {
        DrawFixture f([](TestDatabase& db) {
            db.addParticipants(25);
            db.exec("INSERT INTO tb_pemenang VALUES('D4','Nama 4','TV'),('D9','Nama 9','Radio'),('X1','Tamu','-');"
                    "UPDATE setup SET pemenang_tidak_diundi_lagi=1");
        });
        DrawFixture::click("BitBtn8");
        QVERIFY2(TestApplication::texts(Kind::Plain).value(0).contains(QStringLiteral("\n25 peserta, 2 sudah menang")),
                 qPrintable(TestApplication::texts(Kind::Plain).value(0)));
    }
};

QTEST_MAIN(DrawScreenTest)
#include "DrawScreenTest.moc"
