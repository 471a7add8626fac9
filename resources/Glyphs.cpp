#include "resources/Glyphs.h"

#include <QHash>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>
#include <QtGlobal>

// Q_INIT_RESOURCE declares a function of the global namespace, so it cannot be called from inside ours. The .qrc is
// compiled into a static library, whose resources nothing would otherwise pull into the executable.
static void initResources() {
    Q_INIT_RESOURCE(resources);
}

namespace resources {

namespace {

void ensureResources() {
    static const bool initialised = (initResources(), true);
    Q_UNUSED(initialised);
}

constexpr int glyphSide = 16;

// Rendered by us rather than through the SVG icon engine plugin, so a missing plugin cannot blank every button.
// The 2x copy serves high-DPI screens.
void addSvg(QIcon& icon, const QString& path, QIcon::Mode mode) {
    QSvgRenderer renderer(path);
    if (!renderer.isValid()) {
        qWarning("resources::glyph: cannot load %s", qPrintable(path));
        return;
    }
    for (int scale : {1, 2}) {
        QImage image(glyphSide * scale, glyphSide * scale, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        renderer.render(&painter);
        painter.end();
        image.setDevicePixelRatio(scale);
        icon.addPixmap(QPixmap::fromImage(image), mode);
    }
}

} // namespace

QIcon glyph(const QString& name) {
    ensureResources();
    static QHash<QString, QIcon> cache;
    auto found = cache.constFind(name);
    if (found != cache.constEnd()) return *found;
    QIcon icon;
    const QString base = QStringLiteral(":/glyphs/") + name;
    addSvg(icon, base + QStringLiteral(".svg"), QIcon::Normal);
    addSvg(icon, base + QStringLiteral("_disabled.svg"), QIcon::Disabled);
    cache.insert(name, icon);
    return icon;
}

QIcon windowIcon(const QString& screen) {
    ensureResources();
    QIcon icon;
    for (int side : {48, 32, 24, 16})
        icon.addFile(QStringLiteral(":/icons/%1_%2.png").arg(screen).arg(side), QSize(side, side));
    return icon;
}

} // namespace resources
