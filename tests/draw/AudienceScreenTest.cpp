#include "app/Program.h"
#include "draw/PhoneMask.h"
#include "draw/uPenonton.h"
#include "platform/jpeg/JpegImage.h"

#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QPaintEvent>
#include <QTest>
#include <algorithm>
#include <functional>

using Stage = TfPenonton::Stage;

namespace {

const QString kBanner = QStringLiteral("Tombolika Application");
const QString kLongName = QStringLiteral("Raden Ajeng Siti Nurhaliza Kartika Djojoadhiningrat binti Raden Mas "
                                         "Adipati Ario Sosroningrat dari Kabupaten Jepara, Jawa Tengah");

QPixmap sampleLogo() {
    const auto logo = jpeg::decodeJpegFile(TOMBOLIKA_RESOURCES_DIR "/LOGO.JPG");
    const QImage image(logo.rgb.data(), logo.width, logo.height, logo.width * 3, QImage::Format_RGB888);
    return QPixmap::fromImage(image.copy());
}

// The bounding box of the pixels within `area` that match, or an empty rectangle.
template <class Match> QRect pixelsWhere(const QImage& image, const QRect& area, Match match) {
    int left = image.width(), top = image.height(), right = -1, bottom = -1;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = area.left(); x <= area.right(); ++x) {
            if (!match(line[x])) continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

bool lime(QRgb c) {
    return qGreen(c) > 160 && qRed(c) < 40 && qBlue(c) < 40;
}

bool orange(QRgb c) {
    return qRed(c) > 230 && qGreen(c) > 90 && qGreen(c) < 170 && qBlue(c) < 60;
}

// Paint events the screen receives, with their rectangles.
class PaintRecorder : public QObject {
public:
    QList<QRect> painted;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) painted << static_cast<QPaintEvent*>(event)->rect();
        return false;
    }
};

} // namespace

class AudienceScreenTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { program::initialize(); }

    void phoneIsNeverShownWhole_data() {
        QTest::addColumn<QString>("phone");
        QTest::addColumn<QString>("shown");
        QTest::newRow("twelve digits") << "081234567890"
                                       << "0812•••••890";
        QTest::newRow("ten digits") << "0812345678"
                                    << "0812•••678";
        QTest::newRow("with separators") << "+62 812-3456-7890"
                                         << "+62 81•-••••-•890";
        QTest::newRow("eight digits: three stay hidden") << "08123456"
                                                         << "0812•••6";
        QTest::newRow("three digits: all hidden") << "112"
                                                  << "•••";
        QTest::newRow("letters are hidden too") << "budi@mail.id 0812"
                                                << "•••••••••.•• 0•••";
        QTest::newRow("empty") << ""
                               << "";
    }

    void phoneIsNeverShownWhole() {
        QFETCH(QString, phone);
        QFETCH(QString, shown);
        QCOMPARE(maskedPhone(phone), shown);
    }

    // At projector sizes and with short and long texts: the number and the name lie wholly inside the window, a
    // ten-character number takes at least half the width, and the phone is shown masked.
    void renderedAtEverySize_data() {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("name");
        const QSize sizes[] = {{1024, 768}, {1366, 768}, {1920, 1080}, {3840, 2160}};
        for (const QSize& size : sizes) {
            const QString at = QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
            QTest::addRow("%s short", qPrintable(at)) << size << QStringLiteral("D7") << QStringLiteral("Ani");
            QTest::addRow("%s ten characters", qPrintable(at)) << size << QStringLiteral("I515298312") << kLongName;
            QTest::addRow("%s very long", qPrintable(at))
                << size << QStringLiteral("UNDIAN-2024-000000012345-JKT") << kLongName.repeated(3);
            QTest::addRow("%s name past the smallest size", qPrintable(at))
                << size << QStringLiteral("A1") << kLongName.repeated(40);
        }
    }

    void renderedAtEverySize() {
        QFETCH(QSize, size);
        QFETCH(QString, number);
        QFETCH(QString, name);
        TfPenonton screen(nullptr, kBanner);
        screen.setLogo(sampleLogo());
        screen.resize(size);
        screen.participantsCounted(1234567, 12);
        screen.listSealed(1234567, QStringLiteral("3F9A 0C21 77D4 E5B0"));
        screen.shuffleStarted();
        screen.numberShown(number);
        screen.detailsShown({number, name, QStringLiteral("081234567890"), QString()});
        screen.prizeTyped(QStringLiteral("Sepeda Motor"));
        screen.winnerSaved({number, name, QStringLiteral("081234567890"), QStringLiteral("Sepeda Motor")});
        const QImage picture = screen.grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(picture.size(), size);
        if (const QByteArray folder = qgetenv("TOMBOLIKA_PICTURES"); !folder.isEmpty())
            picture.save(QDir(QString::fromLocal8Bit(folder))
                             .filePath(QString::fromLatin1(QTest::currentDataTag()) + QStringLiteral(".png")));

        const QRect window(QPoint(0, 0), size);
        const QRect number_ = screen.numberRect();
        QVERIFY2(window.contains(number_), qPrintable(QStringLiteral("number at %1,%2 %3x%4")
                                                          .arg(number_.x())
                                                          .arg(number_.y())
                                                          .arg(number_.width())
                                                          .arg(number_.height())));
        const QRect lit = pixelsWhere(picture, window, lime);
        QVERIFY(!lit.isEmpty());
        QVERIFY(number_.contains(lit));
        QVERIFY2(lit.left() > 0 && lit.right() < size.width() - 1, "the number touches the window's edge");
        if (number.size() == 10)
            QVERIFY2(lit.width() >= size.width() / 2,
                     qPrintable(QStringLiteral("%1 of %2 pixels").arg(lit.width()).arg(size.width())));

        const QRect name_ = screen.nameRect();
        QVERIFY(!name_.isEmpty());
        QVERIFY(window.contains(name_));
        // Below the number: the logo has orange of its own.
        const QRect inked = pixelsWhere(picture, window.adjusted(0, number_.bottom() + 1, 0, 0), orange);
        QVERIFY(!inked.isEmpty());
        QVERIFY2(name_.adjusted(-2, -2, 2, 2).contains(inked), "the name's ink lies outside its rectangle");

        const QStringList texts = screen.shownTexts();
        // A name that does not fit even at the smallest size ends, cut short, where the box ends.
        QCOMPARE(std::any_of(texts.begin(), texts.end(), [](const QString& t) { return t.endsWith(QChar(0x2026)); }),
                 name.size() > 2000);
        QVERIFY(texts.contains(QStringLiteral("0812•••••890")));
        for (const QString& text : texts)
            QVERIFY2(!text.contains(QStringLiteral("4567")), qPrintable(text));
        QVERIFY(texts.contains(TfPenonton::WinnerMark));
    }

    // At a tick only the number's box is repainted, and ticks that come faster than the monitor shows are painted
    // once per frame, the last number last; a number that does not change, a tick behind a shown winner and a
    // hidden screen paint nothing.
    void aTickRepaintsOnlyTheNumber() {
        TfPenonton screen(nullptr, kBanner);
        screen.setGeometry(0, 0, 800, 600);
        screen.show();
        QVERIFY(QTest::qWaitForWindowExposed(&screen));
        PaintRecorder recorder;
        screen.installEventFilter(&recorder);
        auto painted = [&](const std::function<void()>& step) {
            recorder.painted.clear();
            step();
            QTest::qWait(50);
            return recorder.painted;
        };

        QList<QRect> rects = painted([&] {
            for (int i = 0; i < 5; ++i)
                screen.numberShown(QStringLiteral("A%1").arg(i));
        });
        QVERIFY(rects.size() == 1 || rects.size() == 2); // the first at once, the rest in the next frame
        for (const QRect& rect : rects)
            QVERIFY(screen.numberBox().contains(rect));
        QVERIFY(!screen.numberRect().isEmpty());
        QVERIFY(screen.shownTexts().contains(QStringLiteral("A4")));

        QCOMPARE(painted([&] { screen.numberShown(QStringLiteral("A4")); }).size(), 0);
        // A shuffle at 1 ms: painted at most once per frame of a 60 Hz monitor (16 ms), the last number last.
        QElapsedTimer shuffling;
        rects = painted([&] {
            shuffling.start();
            for (int i = 0; i < 200; ++i) {
                screen.numberShown(QStringLiteral("C%1").arg(i));
                QTest::qWait(1);
            }
        });
        const qint64 frames = shuffling.elapsed() / 16 + 2;
        QVERIFY2(!rects.isEmpty() && rects.size() <= frames,
                 qPrintable(QStringLiteral("%1 paints in %2 frames").arg(rects.size()).arg(frames)));
        QVERIFY(screen.shownTexts().contains(QStringLiteral("C199")));
        rects = painted([&] {
            screen.detailsShown({QStringLiteral("A4"), QStringLiteral("Ani"), QString(), QString()});
        });
        QVERIFY(!rects.isEmpty()); // the whole window: the details appear
        QCOMPARE(painted([&] { screen.numberShown(QStringLiteral("B1")); }).size(), 0);
        const int nameFits = screen.nameFits();
        rects = painted([&] { screen.prizeTyped(QStringLiteral("Kulkas")); });
        QVERIFY(!rects.isEmpty());
        QCOMPARE(screen.nameFits(), nameFits); // a keystroke in the prize leaves the name, however long, as it was
        QVERIFY(screen.shownTexts().contains(QStringLiteral("Kulkas")));
        for (const QRect& rect : rects)
            QVERIFY(!rect.intersects(screen.numberBox()) && !rect.intersects(screen.nameRect()));
        screen.hide();
        QCOMPARE(painted([&] { screen.numberShown(QStringLiteral("B2")); }).size(), 0);
    }

    // F11 or Escape on the screen closes it; other keys do nothing there.
    void f11OrEscapeCloses_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("closes");
        QTest::newRow("F11") << int(Qt::Key_F11) << true;
        QTest::newRow("Escape") << int(Qt::Key_Escape) << true;
        QTest::newRow("Enter") << int(Qt::Key_Return) << false;
        QTest::newRow("Space") << int(Qt::Key_Space) << false;
    }

    void f11OrEscapeCloses() {
        QFETCH(int, key);
        QFETCH(bool, closes);
        TfPenonton screen(nullptr, kBanner);
        screen.show();
        QVERIFY(QTest::qWaitForWindowExposed(&screen));
        QTest::keyClick(&screen, static_cast<Qt::Key>(key));
        QCOMPARE(screen.isVisible(), !closes);
    }

    // A round of several winners takes the place of the number band and the details: a cell per winner, all within
    // the window and apart from one another, each with its number, masked phone and name, the names readable from
    // the back of a hall. Then "PEMENANG" once saved, and a winner found absent marked until the next round starts.
    void roundOfSeveral_data() {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("winners");
        QTest::addColumn<int>("smallestName"); // pixels, for names of up to 18 characters
        QTest::newRow("50 at 1920x1080") << QSize(1920, 1080) << 50 << 28;
        QTest::newRow("10 at 1920x1080") << QSize(1920, 1080) << 10 << 60;
        QTest::newRow("2 at 1920x1080") << QSize(1920, 1080) << 2 << 120;
        QTest::newRow("50 at 1366x768") << QSize(1366, 768) << 50 << 19;
        QTest::newRow("50 at 1024x768") << QSize(1024, 768) << 50 << 15;
    }

    void roundOfSeveral() {
        QFETCH(QSize, size);
        QFETCH(int, winners);
        QFETCH(int, smallestName);
        TfPenonton screen(nullptr, kBanner);
        screen.setLogo(sampleLogo());
        screen.resize(size);
        screen.shuffleStarted();
        screen.roundStarted(QStringLiteral("Voucher Belanja"), winners);
        QVERIFY(screen.shownTexts().contains(QStringLiteral("PUTARAN %1 PEMENANG").arg(winners)));
        QVERIFY(screen.shownTexts().contains(QStringLiteral("Voucher Belanja")));

        core::PlanRound round;
        round.prizeName = QStringLiteral("Voucher Belanja");
        for (int i = 1; i <= winners; ++i) {
            core::RoundWinner winner;
            winner.number = QStringLiteral("A%1").arg(i, 7, 10, QLatin1Char('0'));
            winner.name = QStringLiteral("Nama Peserta Ke-%1").arg(i);
            winner.phone = QStringLiteral("081234567890");
            round.winners.push_back(winner);
        }
        round.winners.back().name = kLongName; // shrinks in its own cell only
        screen.roundShown(round);
        QCOMPARE(screen.stage(), Stage::Round);
        const QList<QRect> cells = screen.roundCells();
        QCOMPARE(cells.size(), winners);
        for (qsizetype i = 0; i < cells.size(); ++i) {
            QVERIFY(screen.rect().contains(cells[i]));
            for (qsizetype j = i + 1; j < cells.size(); ++j)
                QVERIFY2(!cells[i].intersects(cells[j]), qPrintable(QStringLiteral("%1/%2").arg(i).arg(j)));
        }
        const QList<int> names = screen.roundNameSizes();
        const int smallest = *std::min_element(names.begin(), names.end() - 1);
        QVERIFY2(smallest >= smallestName, qPrintable(QString::number(smallest)));
        const QStringList texts = screen.shownTexts();
        QVERIFY(texts.contains(QStringLiteral("%1. A%2").arg(winners).arg(winners, 7, 10, QLatin1Char('0'))));
        QVERIFY(texts.contains(maskedPhone(QStringLiteral("081234567890"))));
        QVERIFY(texts.filter(QStringLiteral("081234567890")).isEmpty());
        // The names are painted in their cells, on white where the band was black.
        const QImage image = screen.grab().toImage();
        QVERIFY(!pixelsWhere(image, cells.front(), orange).isEmpty());
        QCOMPARE(QColor(image.pixel(cells.back().left() + 5, cells.back().center().y())), QColor(Qt::white));

        screen.roundSaved(round);
        QCOMPARE(screen.stage(), Stage::RoundSaved);
        QVERIFY(screen.shownTexts().contains(TfPenonton::WinnerMark));
        round.winners[0].forfeited = true;
        screen.winnerForfeited(round, 0);
        QCOMPARE(screen.shownTexts().count(TfPenonton::ForfeitMark), 1);
        screen.shuffleStarted();
        QCOMPARE(screen.stage(), Stage::Shuffle);
        QVERIFY(!screen.shownTexts().contains(TfPenonton::ForfeitMark));
    }

    // A round of one looks as the draw without a plan: the details; a winner of it found absent is marked so in
    // place of "PEMENANG", the prize kept.
    void roundOfOneFoundAbsent() {
        TfPenonton screen(nullptr, kBanner);
        screen.resize(1920, 1080);
        screen.shuffleStarted();
        screen.roundStarted(QStringLiteral("Mobil"), 1);
        const DrawDetails winner{QStringLiteral("A1"), QStringLiteral("Budi"), QStringLiteral("081234567890"),
                                 QStringLiteral("Mobil")};
        screen.detailsShown(winner);
        screen.winnerSaved(winner);
        QVERIFY(screen.shownTexts().contains(TfPenonton::WinnerMark));
        core::PlanRound round;
        screen.winnerForfeited(round, 0);
        const QStringList texts = screen.shownTexts();
        QVERIFY(texts.contains(TfPenonton::ForfeitMark));
        QVERIFY(!texts.contains(TfPenonton::WinnerMark));
        QVERIFY(texts.contains(QStringLiteral("Mobil")));
    }
};

QTEST_MAIN(AudienceScreenTest)
#include "AudienceScreenTest.moc"
