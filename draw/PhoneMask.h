#pragma once

#include <QString>

// A phone number as it may be shown to a hall: the first four and the last three digits, every other digit and
// every character that is neither a digit nor a separator (space, + - . ( ) /) as a bullet, one for each:
// "081234567890" gives "0812•••••890". A short number shows fewer digits, so that at least three are always hidden.
QString maskedPhone(const QString& phone);
