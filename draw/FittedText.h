#pragma once

#include <QFont>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QVector>

class QPainter;

// A text laid out to fit a box: as large as fits up to a largest size, wrapped at word boundaries (anywhere within
// a word wider than the box) when wrapping is allowed, centred. At the smallest size a text that still does not fit
// keeps the lines that do, the last of them ending in "…": nothing is ever drawn outside the box.
class FittedText {
public:
    struct Limits {
        int largest = 0;  // pixel size
        int smallest = 0; // pixel size
        bool wrap = false;
        Qt::Alignment across = Qt::AlignHCenter;
    };

    void fit(const QString& text, const QFont& font, const QRect& box, Limits limits);
    void clear();

    // The rectangle the drawn lines take, within the box; empty when there is nothing to draw.
    QRect rect() const { return m_rect; }
    int pixelSize() const { return m_font.pixelSize(); }
    const QStringList& lines() const { return m_lines; }
    // How many times the text was laid out: each is a search over sizes, dear for a long text.
    int fits() const { return m_fits; }
    void paint(QPainter& painter, const QColor& colour) const;

private:
    bool layOut(const QString& text, int pixelSize, const QRect& box, const Limits& limits, bool cut);

    QFont m_font;
    QStringList m_lines;
    QVector<QRect> m_lineRects;
    QRect m_rect;
    int m_fits = 0;
};
