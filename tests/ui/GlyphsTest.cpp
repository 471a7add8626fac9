#include "resources/Glyphs.h"

#include <QApplication>
#include <QImage>
#include <QtTest>

// Every glyph the screens name must load in both looks, and every window icon in its four sizes: a misspelt
// name or a file left out of the resources would otherwise give a blank button without a word.
class GlyphsTest : public QObject {
    Q_OBJECT
private slots:
    void glyphHasNormalAndDisabledLooks_data();
    void glyphHasNormalAndDisabledLooks();
    void windowIconHasEverySize_data();
    void windowIconHasEverySize();
    void unknownGlyphIsBlank();
};

namespace {
bool drawsSomething(const QPixmap& pixmap) {
    const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 0) return true;
    return false;
}
} // namespace

void GlyphsTest::glyphHasNormalAndDisabledLooks_data() {
    QTest::addColumn<QString>("name");
    for (const char* name :
         {"play", "stop", "monitor", "calculator", "chart_window", "about", "check", "cross", "door", "import",
          "upload", "delete", "export", "new_row", "edit_row", "nav_first", "nav_prior", "nav_next", "nav_last"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void GlyphsTest::glyphHasNormalAndDisabledLooks() {
    QFETCH(QString, name);
    const QIcon icon = resources::glyph(name);
    const QPixmap normal = icon.pixmap(QSize(16, 16), QIcon::Normal);
    const QPixmap disabled = icon.pixmap(QSize(16, 16), QIcon::Disabled);
    QVERIFY(drawsSomething(normal));
    QVERIFY(drawsSomething(disabled));
    QVERIFY2(normal.toImage() != disabled.toImage(), "the disabled look must differ from the normal one");
}

void GlyphsTest::windowIconHasEverySize_data() {
    QTest::addColumn<QString>("screen");
    QTest::newRow("acak") << QStringLiteral("acak");
    QTest::newRow("peserta") << QStringLiteral("peserta");
    QTest::newRow("pemenang") << QStringLiteral("pemenang");
}

void GlyphsTest::windowIconHasEverySize() {
    QFETCH(QString, screen);
    const QList<QSize> sizes = resources::windowIcon(screen).availableSizes();
    for (int side : {48, 32, 24, 16})
        QVERIFY2(sizes.contains(QSize(side, side)), qPrintable(QString::number(side)));
}

void GlyphsTest::unknownGlyphIsBlank() {
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("cannot load .*no_such_glyph.svg")));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("cannot load .*no_such_glyph_disabled.svg")));
    QVERIFY(resources::glyph(QStringLiteral("no_such_glyph")).pixmap(16, 16).isNull());
}

QTEST_MAIN(GlyphsTest)
#include "GlyphsTest.moc"
