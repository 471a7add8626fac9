#include "draw/FittedText.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTextLayout>
#include <QTextOption>

void FittedText::clear() {
    m_lines.clear();
    m_lineRects.clear();
    m_rect = QRect();
}

void FittedText::fit(const QString& text, const QFont& font, const QRect& box, Limits limits) {
    clear();
    ++m_fits;
    m_font = font;
    // Lines typed into the text stay lines.
    QString shown = text.trimmed();
    shown.replace(QStringLiteral("\r\n"), QString(QChar::LineSeparator));
    shown.replace(QLatin1Char('\n'), QChar::LineSeparator).replace(QLatin1Char('\r'), QChar::LineSeparator);
    if (shown.isEmpty() || box.isEmpty()) return;
    const int smallest = std::max(1, std::min(limits.smallest, limits.largest));
    // The largest size that fits, by halving: a few layouts, done only when the text or the box changes.
    int low = smallest, high = std::max(smallest, limits.largest);
    if (layOut(shown, high, box, limits, false)) return;
    while (high - low > 1) {
        const int middle = (low + high) / 2;
        if (layOut(shown, middle, box, limits, false))
            low = middle;
        else
            high = middle;
    }
    if (!layOut(shown, low, box, limits, false)) layOut(shown, low, box, limits, true);
}

bool FittedText::layOut(const QString& text, int pixelSize, const QRect& box, const Limits& limits, bool cut) {
    clear();
    m_font.setPixelSize(pixelSize);
    const QFontMetrics metrics(m_font);
    QTextLayout layout(text, m_font);
    QTextOption option;
    option.setWrapMode(limits.wrap ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    QStringList lines;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(box.width());
        lines << text.mid(line.textStart(), line.textLength()).trimmed();
    }
    layout.endLayout();
    const int lineHeight = metrics.height();
    const int fitting = std::max(1, box.height() / lineHeight);
    bool fits = lines.size() <= fitting;
    if (!fits && !cut) return false;
    if (!fits) {
        // The lines that fit; the last of them takes the rest of the text, cut short.
        QString rest = lines.mid(fitting - 1).join(QLatin1Char(' '));
        lines = lines.mid(0, fitting - 1);
        lines << metrics.elidedText(rest, Qt::ElideRight, box.width());
    }
    int y = box.top() + (box.height() - static_cast<int>(lines.size()) * lineHeight) / 2;
    for (const QString& line : lines) {
        const int width = metrics.horizontalAdvance(line);
        if (width > box.width() && !cut) return false;
        const int shown = std::min(width, box.width());
        const int left = limits.across & Qt::AlignLeft    ? box.left()
                         : limits.across & Qt::AlignRight ? box.right() + 1 - shown
                                                          : box.left() + (box.width() - shown) / 2;
        const QRect rect(left, y, shown, lineHeight);
        m_lines << line;
        m_lineRects << rect;
        m_rect |= rect;
        y += lineHeight;
    }
    return true;
}

void FittedText::paint(QPainter& painter, const QColor& colour) const {
    painter.setFont(m_font);
    painter.setPen(colour);
    for (qsizetype i = 0; i < m_lines.size(); ++i)
        painter.drawText(m_lineRects[i], Qt::AlignCenter | Qt::TextSingleLine, m_lines[i]);
}
