#pragma once

#include "core/record/Verification.h"

#include <QJsonObject>
#include <QLatin1String>
#include <QString>
#include <cstdint>

// How the check reads the journal's entries, in its every part (Verification.cpp, KeyedCheck.cpp).
namespace record {

// An entry as the check's problems name it: "entry #12".
inline QString entryName(std::int64_t seq) {
    return QStringLiteral("entry #%1").arg(seq);
}

inline bool isKind(const JournalEntry& entry, const char* kind) {
    return entry.kind == QLatin1String(kind);
}

// A whole number of an entry's details (JSON numbers are doubles).
inline std::int64_t integer(const QJsonObject& details, const char* key) {
    return static_cast<std::int64_t>(details.value(QLatin1String(key)).toDouble());
}

} // namespace record
