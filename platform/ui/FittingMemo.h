#pragma once

#include <QFont>
#include <QPlainTextEdit>

namespace ui {

// A multi-line edit that wraps its text at its width and keeps all of it in view: when the lines do not fit its
// height, the font shrinks (same family and weight, never below a legible minimum) until they do, and it comes back
// to the designed size once the text fits at that size. Empty lines after the text need no room. The font set from
// outside is the designed one.
class FittingMemo : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit FittingMemo(QWidget* parent = nullptr);

    static constexpr int kSmallestPixelSize = 6;

protected:
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void fit();
    bool fitsAsShown() const;
    void applyPixelSize(int pixels);

    QFont m_designed;
    bool m_applying = false;
};

} // namespace ui
