#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QLineEdit>
#include <array>
#include <optional>
#include <vector>

namespace ui {

// A single-line edit whose whole value is always in view, from its first character: when the value is wider than
// the edit, the font shrinks (same family and weight, never below a legible minimum) to the largest size at which it
// fits, and it comes back to the designed size as soon as the value fits at that size; never an ellipsis. A value too
// long even for the smallest size shows its beginning, except while the operator types. The font set from outside
// is the designed one. Setting a value that surely fits costs a table look-up per character and no text layout: the
// shuffle sets a draw number up to a thousand times a second.
class FittingLineEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit FittingLineEdit(QWidget* parent = nullptr);

    static constexpr int kSmallestPixelSize = 6;

protected:
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void design(const QFont& font);
    void fit();
    bool surelyFitsDesigned(const QString& text) const;
    int room() const;
    bool fitsLine(qreal width) const;
    const QFontMetricsF& metricsAt(int pixels) const;
    void applyPixelSize(int pixels);

    QFont m_designed;
    bool m_applying = false;
    bool m_typing = false;
    mutable int m_room = -1;                 // the line's width, until a change of size, style or font
    std::array<float, 128> m_asciiAdvance{}; // of the designed font: a cheap upper bound for most values
    float m_kerningSlack = 0;
    mutable std::vector<std::optional<QFontMetricsF>> m_metrics; // per pixel size, made when first needed
};

} // namespace ui
