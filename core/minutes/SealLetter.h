#pragma once

#include "core/minutes/Minutes.h"
#include "core/verifiable/SealedEvent.h"

#include <QDateTime>
#include <QString>

// The letter of a keyed draw's seal ("Surat Segel Undian") as an A4 PDF in Indonesian, with the minutes' look: the
// participants sealed (their count, L and Lp in full), the plan (its rows and P), the rule on repeat winners, the
// public sources as the organiser will announce them, how many witness values the key takes, the method in words,
// and signature blocks for the organiser, the notary and two witnesses. Signed and published with the public list
// before the public values exist.
class SealLetter {
public:
    // `database`: the file the event is drawn from, named in the letter; `eventName`: the event's name ("Nama
    // acara"), under the title as in the minutes, or empty.
    static QString html(const verifiable::Seal& seal, const Minutes::Header& header, const QString& database,
                        const QString& eventName);
    // Writes the PDF, whole or not at all; throws platform::Error when the file cannot be written.
    static void writePdf(const verifiable::Seal& seal, const Minutes::Header& header, const QString& database,
                         const QString& eventName, const QString& path);
    // The name offered for a letter made at this time: "surat-segel-2025-05-02-1930.pdf".
    static QString fileName(const QDateTime& madeAt);
};
