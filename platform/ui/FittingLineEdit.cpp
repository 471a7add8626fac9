#include "platform/ui/FittingLineEdit.h"

#include <QEvent>
#include <QFocusEvent>
#include <QFontMetricsF>
#include <QScopedValueRollback>
#include <QStyle>
#include <QStyleOptionFrame>
#include <cmath>

namespace ui {

namespace {
// The line edit keeps this much room on each side of its text, beside its text margins.
constexpr int kEditMargin = 2;
} // namespace

FittingLineEdit::FittingLineEdit(QWidget* parent) : QLineEdit(parent) {
    design(font());
    connect(this, &QLineEdit::textChanged, this, &FittingLineEdit::fit);
}

void FittingLineEdit::design(const QFont& font) {
    m_designed = font;
    const QFontMetricsF metrics(m_designed);
    for (int c = 0; c < 128; ++c)
        m_asciiAdvance[static_cast<std::size_t>(c)] = static_cast<float>(metrics.horizontalAdvance(QChar(c)));
    // Kerning and shaping may make a text a little wider than its characters' advances.
    m_kerningSlack = static_cast<float>(metrics.averageCharWidth() / 2);
    m_metrics.assign(static_cast<std::size_t>(std::max(0, m_designed.pixelSize()) + 1), std::nullopt);
    m_room = -1;
}

void FittingLineEdit::changeEvent(QEvent* event) {
    QLineEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange && !m_applying) {
        design(font());
        fit();
    } else if (event->type() == QEvent::StyleChange) {
        m_room = -1;
        fit();
    }
}

void FittingLineEdit::resizeEvent(QResizeEvent* event) {
    QLineEdit::resizeEvent(event);
    m_room = -1;
    fit();
}

void FittingLineEdit::keyPressEvent(QKeyEvent* event) {
    QScopedValueRollback typing(m_typing, true);
    QLineEdit::keyPressEvent(event);
}

void FittingLineEdit::inputMethodEvent(QInputMethodEvent* event) {
    QScopedValueRollback typing(m_typing, true);
    QLineEdit::inputMethodEvent(event);
}

void FittingLineEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // A value too long even for the smallest font shows its beginning once the operator is done with it.
    if (event->reason() != Qt::PopupFocusReason) setCursorPosition(0);
}

// The width of the line the edit draws its text on.
int FittingLineEdit::room() const {
    if (m_room < 0) {
        QStyleOptionFrame option;
        initStyleOption(&option);
        QRect contents = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
        contents = contents.marginsRemoved(textMargins());
        m_room = contents.width() - 2 * kEditMargin;
    }
    return m_room;
}

// The edit scrolls its text once the text, rounded, and a pixel for the cursor are wider than its line.
bool FittingLineEdit::fitsLine(qreal width) const {
    return qRound(width) + 1 <= room();
}

// The common case costs a table look-up per character: an ASCII value whose advances, with room for kerning,
// fit the line needs no text layout at all.
bool FittingLineEdit::surelyFitsDesigned(const QString& text) const {
    float width = m_kerningSlack;
    for (const QChar c : text) {
        if (c.unicode() >= 128) return false;
        width += m_asciiAdvance[c.unicode()];
    }
    return fitsLine(width);
}

const QFontMetricsF& FittingLineEdit::metricsAt(int pixels) const {
    std::optional<QFontMetricsF>& metrics = m_metrics[static_cast<std::size_t>(pixels)];
    if (!metrics) {
        QFont font = m_designed;
        font.setPixelSize(pixels);
        metrics.emplace(font);
    }
    return *metrics;
}

void FittingLineEdit::fit() {
    if (m_applying) return;
    const QString value = text();
    const int designed = m_designed.pixelSize();
    if (designed <= 0) return; // sized in points: left as designed
    if (surelyFitsDesigned(value)) {
        if (font().pixelSize() != designed) applyPixelSize(designed);
        return;
    }
    if (designed <= kSmallestPixelSize) { // nothing to shrink to
        if (!m_typing) setCursorPosition(0);
        return;
    }
    auto widthAt = [&](int pixels) { return metricsAt(pixels).horizontalAdvance(value); };
    auto fitsAt = [&](int pixels) { return fitsLine(widthAt(pixels)); };
    const int shown = font().pixelSize();
    int pixels = designed;
    if (shown < designed && shown >= kSmallestPixelSize && fitsAt(shown) && !fitsAt(shown + 1)) {
        pixels = shown; // a shuffle shows numbers of one length after another: the size stays
    } else if (const qreal designedWidth = widthAt(designed); !fitsLine(designedWidth)) {
        // Width grows about in step with the size: start from the proportional guess, then settle on the largest
        // size that fits (hinting makes the steps uneven).
        pixels = std::clamp(static_cast<int>(std::floor(designed * (room() - 1) / designedWidth)), kSmallestPixelSize,
                            designed - 1);
        while (pixels > kSmallestPixelSize && !fitsAt(pixels))
            --pixels;
        while (pixels + 1 < designed && fitsAt(pixels + 1))
            ++pixels;
    }
    if (shown != pixels) applyPixelSize(pixels);
    // Too long even at the smallest size: a value set from outside shows its beginning; typing follows the cursor.
    if (pixels == kSmallestPixelSize && !m_typing) setCursorPosition(0);
}

void FittingLineEdit::applyPixelSize(int pixels) {
    QScopedValueRollback applying(m_applying, true);
    QFont shown = m_designed;
    shown.setPixelSize(pixels);
    setFont(shown);
}

} // namespace ui
