#include "platform/ui/FittingLineEdit.h"
#include "platform/ui/FittingMemo.h"

#include <QLineEdit>
#include <QScrollBar>
#include <QStyle>
#include <QTextBlock>
#include <QTextLayout>
#include <QtTest>

// The fields the audience reads, on their own: for every length of value, around the point where the designed size
// stops fitting, the value stands whole in view, the designed size is kept while it fits, and a shrunk size is the
// largest that fits.
class FittingEditsTest : public QObject {
    Q_OBJECT
private slots:
    void lineEditShowsEveryLengthWhole_data();
    void lineEditShowsEveryLengthWhole();
    void valueTooLongForTheSmallestSizeShowsItsBeginning();
    void memoShowsEveryLengthWhole();
};

namespace {

QFont fontOf(const char* family, int pixels) {
    QFont font(QString::fromLatin1(family));
    font.setPixelSize(pixels);
    font.setBold(true);
    return font;
}

// The line the edit draws its text on: its rectangle less its frame, text margins and 2 pixels each side.
std::pair<int, int> lineOf(const QLineEdit& edit) {
    const int frame = edit.hasFrame() ? edit.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, &edit) : 0;
    return {frame + edit.textMargins().left() + 2, edit.width() - frame - edit.textMargins().right() - 2};
}

// Whether the value fits the line at that size: a line edit scrolls once the text, rounded, and a pixel for the
// cursor are wider than its line.
bool fitsAt(const QLineEdit& edit, const QString& value, int pixels) {
    QFont font = edit.font();
    font.setPixelSize(pixels);
    const auto [left, right] = lineOf(edit);
    return qRound(QFontMetricsF(font).horizontalAdvance(value)) + 1 <= right - left;
}

} // namespace

void FittingEditsTest::lineEditShowsEveryLengthWhole_data() {
    QTest::addColumn<QString>("unit");
    QTest::addColumn<bool>("framed");
    QTest::newRow("digits, the display") << "0" << false;
    QTest::newRow("a draw number, the display") << "2024-JKT-" << false;
    QTest::newRow("wide letters, framed") << "W" << true;
    QTest::newRow("narrow letters, framed") << "il1" << true;
    QTest::newRow("kerning pairs") << "AVAWTo" << false;
    QTest::newRow("accented letters") << QString::fromUtf8("\xC3\x89\xC3\xB1\xC3\xB6") << false;
    QTest::newRow("Devanagari") << QString::fromUtf8("\xE0\xA4\x85\xE0\xA4\xA8\xE0\xA4\xBF\xE0\xA4\xB2 ") << true;
    QTest::newRow("Chinese") << QString::fromUtf8("\xE4\xB8\xAD\xE5\xA5\x96") << true;
}

void FittingEditsTest::lineEditShowsEveryLengthWhole() {
    QFETCH(QString, unit);
    QFETCH(bool, framed);
    ui::FittingLineEdit edit;
    edit.setFrame(framed);
    edit.setFont(fontOf("Bookman Old Style", 60));
    edit.resize(609, 73);
    edit.show();
    QVERIFY(QTest::qWaitForWindowExposed(&edit));
    const auto [left, right] = lineOf(edit);
    QString value;
    for (int round = 0; round < 40 && value.size() < 400; ++round) {
        value += unit;
        edit.setText(value);
        (void)edit.grab();
        const int pixels = edit.font().pixelSize();
        QCOMPARE(edit.font().family(), QStringLiteral("Bookman Old Style"));
        QVERIFY(edit.font().bold());
        const int middle = edit.height() / 2;
        QCOMPARE(edit.cursorPositionAt({left, middle}), 0);
        if (pixels == ui::FittingLineEdit::kSmallestPixelSize && !fitsAt(edit, value, pixels))
            break; // too long for any legible size: its beginning shows
        QVERIFY2(fitsAt(edit, value, pixels), qPrintable(value));
        if (fitsAt(edit, value, 60)) QCOMPARE(pixels, 60);
        if (pixels < 60) QVERIFY2(!fitsAt(edit, value, pixels + 1), qPrintable(value));
        QCOMPARE(edit.cursorPositionAt({right - 1, middle}), value.size());
    }
    edit.setText(QStringLiteral("7"));
    QCOMPARE(edit.font().pixelSize(), 60);
}

void FittingEditsTest::valueTooLongForTheSmallestSizeShowsItsBeginning() {
    QWidget window;
    auto* edit = new ui::FittingLineEdit(&window);
    edit->setFont(fontOf("Verdana", 20));
    edit->setGeometry(0, 0, 385, 33);
    auto* other = new QLineEdit(&window);
    other->setGeometry(0, 40, 100, 20);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    other->setFocus();
    const int left = lineOf(*edit).first;
    const int middle = edit->height() / 2;

    const QString value = QStringLiteral("2024-JKT-") + QString(2000, QLatin1Char('7'));
    edit->setText(value);
    (void)edit->grab();
    QCOMPARE(edit->font().pixelSize(), ui::FittingLineEdit::kSmallestPixelSize);
    QCOMPARE(edit->cursorPositionAt({left, middle}), 0);

    // Typed in by the operator: the edit follows the cursor while typing, and shows the beginning once left.
    edit->setFocus();
    edit->end(false);
    QTest::keyClicks(edit, QStringLiteral("99"));
    (void)edit->grab();
    QVERIFY(edit->cursorPositionAt({left, middle}) > 0);
    other->setFocus();
    (void)edit->grab();
    QCOMPARE(edit->cursorPositionAt({left, middle}), 0);
}

void FittingEditsTest::memoShowsEveryLengthWhole() {
    ui::FittingMemo memo;
    memo.setFont(fontOf("Verdana", 20));
    memo.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    memo.resize(385, 65);
    memo.show();
    QVERIFY(QTest::qWaitForWindowExposed(&memo));
    const QString words = QStringLiteral("Siti Nurhaliza binti Abdullah Rahman Putri Kusumawardhani Sulistyowati ");
    auto lineCount = [&] {
        int lines = 0;
        for (QTextBlock block = memo.document()->firstBlock(); block.isValid(); block = block.next())
            lines += block.layout()->lineCount();
        return lines;
    };
    for (int length = 1; length <= 200; length += 3) {
        const QString name = words.repeated(3).left(length);
        memo.setPlainText(name);
        (void)memo.grab();
        const QRect view = memo.viewport()->rect();
        const qreal margins = 2 * memo.document()->documentMargin();
        QVERIFY2(lineCount() * QFontMetrics(memo.font()).lineSpacing() + margins <= view.height(), qPrintable(name));
        QCOMPARE(memo.verticalScrollBar()->value(), 0);
        QTextCursor last(memo.document());
        last.movePosition(QTextCursor::End);
        QVERIFY(view.contains(memo.cursorRect(last)));
        if (length <= 20) QCOMPARE(memo.font().pixelSize(), 20); // a short name keeps the designed size
    }
    // Empty lines after the text need no room: the designed size stays.
    memo.setPlainText(QStringLiteral("Ani") + QString(9, QLatin1Char('\n')));
    QCOMPARE(memo.font().pixelSize(), 20);
}

QTEST_MAIN(FittingEditsTest)
#include "FittingEditsTest.moc"
