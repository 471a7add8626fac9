#include "core/Look.h"

#include <QFontDatabase>

namespace look {

QFont font(const QString& family, int pixels, bool bold) {
    QFont font(family);
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

QFont screenFont(int pixels, bool bold) {
    return font(ScreenFamily, pixels, bold);
}

QFont numberFont(int pixels) {
    return font(NumberFamily, pixels, true);
}

void substituteFonts() {
    const QStringList families = QFontDatabase::families();
    auto substitute = [&](const QString& wanted, const QStringList& candidates) {
        if (families.contains(wanted, Qt::CaseInsensitive)) return;
        QFont::insertSubstitutions(wanted, candidates);
    };
    substitute(ScreenFamily, {QStringLiteral("DejaVu Sans"), QStringLiteral("Tahoma")});
    substitute(NumberFamily,
               {QStringLiteral("URW Bookman"), QStringLiteral("URW Bookman L"), QStringLiteral("DejaVu Serif")});
    substitute(WinnersFamily, {QStringLiteral("DejaVu Sans")});
}

} // namespace look
