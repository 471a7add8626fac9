#include "draw/PhoneMask.h"

namespace {

bool isSeparator(QChar c) {
    return c == u' ' || c == u'+' || c == u'-' || c == u'.' || c == u'(' || c == u')' || c == u'/';
}

} // namespace

QString maskedPhone(const QString& phone) {
    constexpr qsizetype kFirst = 4, kLast = 3, kHiddenAtLeast = 3;
    qsizetype digits = 0;
    for (QChar c : phone)
        if (c.isDigit()) ++digits;
    const qsizetype shown = std::max<qsizetype>(0, std::min(kFirst + kLast, digits - kHiddenAtLeast));
    const qsizetype first = std::min(kFirst, shown);
    const qsizetype last = shown - first;

    QString masked;
    masked.reserve(phone.size());
    qsizetype digit = 0;
    for (QChar c : phone) {
        if (c.isDigit()) {
            const bool keep = digit < first || digit >= digits - last;
            masked += keep ? c : QChar(0x2022);
            ++digit;
        } else if (isSeparator(c)) {
            masked += c;
        } else if (!c.isLowSurrogate()) {
            masked += QChar(0x2022); // a letter or sign says too much; one bullet for a character of two halves
        }
    }
    return masked;
}
