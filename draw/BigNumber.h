#pragma once

#include <QColor>
#include <QFont>
#include <QHash>
#include <QImage>
#include <QPoint>
#include <QRawFont>
#include <QRect>
#include <QString>
#include <list>
#include <vector>

class QPainter;

// One line of text in one colour over a black background, as large as fits a box, drawn fast enough to follow
// the fastest shuffle at any screen size. Qt draws glyphs above 64 pixels as paths, bypassing its glyph cache
// (bench_audience at 3840 x 2160: 2.7 ms of processor time for an eight-character number at 436 pixels), so each
// glyph is drawn once per size into a picture of its own, lit on black, and a number is put together from those
// pictures: added onto the black background they give exactly what drawing the glyph there would (0.19 ms).
// Sizes come from a ladder of steps, so numbers of varying length reuse a few sizes' pictures.
class BigNumber {
public:
    BigNumber(const QFont& font, const QColor& colour);

    // Lays the text out centred in the box, as large as fits and at most `largest` pixels; returns the
    // rectangle it will cover, which lies within the box (empty for an empty text).
    QRect place(const QString& text, const QRect& box, int largest);
    QRect rect() const { return m_rect; }
    int pixelSize() const { return m_pixelSize; }
    const QString& text() const { return m_text; }
    // Paints what was placed. What lies beneath the rectangle must be black.
    void paint(QPainter& painter) const;

private:
    struct Glyph {
        QImage picture; // the glyph lit on black, its inked pixels and a pixel around them
        QPoint offset;  // of the picture's top-left corner from the glyph's origin on the baseline
    };
    struct Size {
        int pixelSize = 0;
        QHash<QPair<QRawFont, quint32>, Glyph> glyphs;
    };
    struct Placed {
        QImage picture; // shared with the size's glyph, so letting a size go leaves it whole
        QPoint at;
    };

    Size& size(int pixelSize);
    const Glyph& glyph(Size& size, const QRawFont& font, quint32 index);
    // The rectangle the text covers at this size with its origin at (0, 0) on the baseline, and its glyphs.
    QRect layOut(const QString& text, int pixelSize, std::vector<Placed>& placed);

    QFont m_font;
    QColor m_colour;
    std::list<Size> m_sizes; // the most recently used first; a few are kept
    QString m_text;
    QRect m_box;
    int m_largest = 0;
    QRect m_rect;
    int m_pixelSize = 0;
    std::vector<Placed> m_placed;
};
