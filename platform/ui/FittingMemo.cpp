#include "platform/ui/FittingMemo.h"

#include <QAbstractTextDocumentLayout>
#include <QEvent>
#include <QScopedValueRollback>
#include <QTextBlock>
#include <QTextLayout>

namespace ui {

FittingMemo::FittingMemo(QWidget* parent) : QPlainTextEdit(parent), m_designed(font()) {
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    connect(document(), &QTextDocument::contentsChanged, this, &FittingMemo::fit);
}

void FittingMemo::changeEvent(QEvent* event) {
    QPlainTextEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange && !m_applying) {
        m_designed = font();
        fit();
    }
}

void FittingMemo::resizeEvent(QResizeEvent* event) {
    QPlainTextEdit::resizeEvent(event);
    fit();
}

// Whether the laid-out lines, up to the last one holding text, stand within the viewport without scrolling.
bool FittingMemo::fitsAsShown() const {
    const QTextDocument* doc = document();
    QTextBlock last = doc->lastBlock();
    while (last != doc->firstBlock() && last.text().trimmed().isEmpty())
        last = last.previous();
    QAbstractTextDocumentLayout* layout = doc->documentLayout();
    qreal lines = 0;
    for (QTextBlock block = doc->firstBlock(); block.isValid(); block = block.next()) {
        layout->blockBoundingRect(block); // lays the block out at the viewport's width
        const QTextLayout* blockLayout = block.layout();
        for (int i = 0; i < blockLayout->lineCount(); ++i)
            lines += blockLayout->lineAt(i).height();
        if (block == last) break;
    }
    // The edit scrolls once the lines and the document's margins above and below reach its bottom pixel.
    return 2 * doc->documentMargin() + lines + 1 <= viewport()->height();
}

void FittingMemo::fit() {
    if (m_applying) return;
    const int designed = m_designed.pixelSize();
    if (designed <= 0) return; // sized in points: left as designed
    // Lines are measured as the edit lays them out; a name is short, so trying each size from the top is cheap.
    int pixels = designed;
    applyPixelSize(pixels);
    while (pixels > kSmallestPixelSize && !fitsAsShown())
        applyPixelSize(--pixels);
}

void FittingMemo::applyPixelSize(int pixels) {
    QFont shown = m_designed;
    shown.setPixelSize(pixels);
    if (font() == shown) return;
    QScopedValueRollback applying(m_applying, true);
    setFont(shown);
}

} // namespace ui
