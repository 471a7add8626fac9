#include "draw/BigNumber.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPainter>
#include <QTextLayout>
#include <cmath>

namespace {

constexpr std::size_t kSizesKept = 3;
constexpr double kLadderStep = 0.9; // each size on the ladder is 90 % of the one above
constexpr int kMeasuringSize = 100; // pixels: the size at which a text's width is first measured
constexpr int kSmallest = 8;        // pixels

} // namespace

BigNumber::BigNumber(const QFont& font, const QColor& colour) : m_font(font), m_colour(colour) {
    m_font.setStyleStrategy(QFont::PreferAntialias);
}

BigNumber::Size& BigNumber::size(int pixelSize) {
    for (auto it = m_sizes.begin(); it != m_sizes.end(); ++it) {
        if (it->pixelSize != pixelSize) continue;
        if (it != m_sizes.begin()) m_sizes.splice(m_sizes.begin(), m_sizes, it);
        return m_sizes.front();
    }
    if (m_sizes.size() == kSizesKept) m_sizes.pop_back();
    m_sizes.emplace_front();
    m_sizes.front().pixelSize = pixelSize;
    return m_sizes.front();
}

const BigNumber::Glyph& BigNumber::glyph(Size& size, const QRawFont& font, quint32 index) {
    const auto key = qMakePair(font, index);
    const auto found = size.glyphs.constFind(key);
    if (found != size.glyphs.constEnd()) return *found;
    const QRect ink = font.boundingRect(index).toAlignedRect().adjusted(-1, -1, 1, 1);
    Glyph glyph;
    glyph.offset = ink.topLeft();
    glyph.picture = QImage(ink.size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    glyph.picture.fill(Qt::black);
    QPainter painter(&glyph.picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(m_colour);
    QGlyphRun run;
    run.setRawFont(font);
    run.setGlyphIndexes({index});
    run.setPositions({QPointF(-ink.left(), -ink.top())});
    painter.drawGlyphRun(QPointF(0, 0), run);
    painter.end();
    return *size.glyphs.insert(key, glyph);
}

QRect BigNumber::layOut(const QString& text, int pixelSize, std::vector<Placed>& placed) {
    placed.clear();
    QFont font = m_font;
    font.setPixelSize(pixelSize);
    QTextLayout layout(text, font);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    line.setLineWidth(1e9);
    layout.endLayout();
    const QPointF origin(0, -line.ascent()); // the runs' positions are from the line's top
    Size& cache = size(pixelSize);
    QRect covered;
    for (const QGlyphRun& run : layout.glyphRuns()) {
        const QRawFont raw = run.rawFont();
        const QList<quint32> indexes = run.glyphIndexes();
        const QList<QPointF> positions = run.positions();
        for (qsizetype i = 0; i < indexes.size(); ++i) {
            const Glyph& g = glyph(cache, raw, indexes[i]);
            const QPoint at = (positions[i] + origin).toPoint() + g.offset;
            placed.push_back({g.picture, at});
            covered |= QRect(at, g.picture.size());
        }
    }
    return covered;
}

QRect BigNumber::place(const QString& text, const QRect& box, int largest) {
    if (text == m_text && box == m_box && largest == m_largest) return m_rect;
    m_text = text;
    m_box = box;
    m_largest = largest;
    m_placed.clear();
    m_rect = QRect();
    m_pixelSize = 0;
    if (text.isEmpty() || box.isEmpty()) return m_rect;

    // The size that fits, measured once at a middling size, then the ladder's step at or below it.
    QFont measuring = m_font;
    measuring.setPixelSize(kMeasuringSize);
    const QFontMetricsF metrics(measuring);
    const double width = std::max(1.0, metrics.horizontalAdvance(text));
    const double height = metrics.capHeight() + 2 * metrics.descent(); // the capitals centred, room for tails
    const double fitting = kMeasuringSize * std::min(box.width() / width, box.height() / height);
    int pixelSize = largest;
    while (pixelSize > kSmallest && pixelSize > fitting)
        pixelSize = static_cast<int>(std::floor(pixelSize * kLadderStep));

    // Overhanging ink is measured only once the glyphs are there: step down until the ink fits too.
    for (;; pixelSize = std::max(kSmallest, static_cast<int>(std::floor(pixelSize * kLadderStep)))) {
        QRect covered = layOut(text, pixelSize, m_placed);
        QFont font = m_font;
        font.setPixelSize(pixelSize);
        const QFontMetricsF sized(font);
        // Centred on the ink across, on the capitals down, so numbers with and without tails sit alike.
        const QPoint shift(box.left() + (box.width() - covered.width()) / 2 - covered.left(),
                           static_cast<int>(std::lround(box.center().y() + sized.capHeight() / 2)));
        covered.translate(shift);
        if (box.contains(covered) || pixelSize == kSmallest) {
            for (Placed& p : m_placed)
                p.at += shift;
            m_rect = covered & box;
            m_pixelSize = pixelSize;
            return m_rect;
        }
    }
}

void BigNumber::paint(QPainter& painter) const {
    if (m_placed.empty()) return;
    const QPainter::CompositionMode before = painter.compositionMode();
    painter.setCompositionMode(QPainter::CompositionMode_Plus);
    for (const Placed& p : m_placed)
        painter.drawImage(p.at, p.picture);
    painter.setCompositionMode(before);
}
