#pragma once

#include <QDateTime>
#include <QString>

#include "core/record/Verification.h"

namespace record {
class Journal;
}

// The minutes of the draws (berita acara pengundian) as an A4 PDF in Indonesian, from what the journal's check
// read: the list used per run, the winners in the order saved, the winners deleted, the draws stopped and not
// saved, the journal's last hash and whether the check holds, and signature blocks for the organiser, the notary and
// two witnesses. A draw number stays on one line and no word is broken inside (unless it is wider than the page),
// and a table row is never parted over two pages. Rendered with Qt's own PDF writer; needs a QGuiApplication (any
// platform, offscreen included) but no widgets.
class Minutes {
public:
    struct Header {
        QString program;
        QString version;
        QDateTime madeAt; // shown in local time
        // Where the reader finds how to check the fingerprints by hand: the installed docs/record.md. Empty: named
        // as in the sources.
        QString documentation;

        // The creator a document's PDF names: "Tombolika 1.2".
        QString creator() const { return program + QLatin1Char(' ') + version; }
    };

    // The head of a document of the record: its title, the event's name, who made it when, and the database.
    static QString titleHtml(const QString& title, const record::Verification& check, const Header& header);
    // The document as HTML, in the layout it is printed with.
    static QString html(const record::Verification& check, const Header& header);
    // Writes the PDF, whole or not at all; throws platform::Error when the file cannot be written.
    static void writePdf(const record::Verification& check, const Header& header, const QString& path);

    // The heading of minutes made now by this program: its title and version, the time, and the record's
    // documentation where the installed program has it.
    static Header headerNow();
    // The check of the database the journal writes to, as it stands once this run's start is in the journal: what a
    // document of the record is made from. Throws when the database cannot be read.
    static record::Verification checkOfDatabase(record::Journal& journal, const std::string& databasePath);
    // The minutes of the database the journal writes to, as they stand once this run's start is in the journal.
    // Throws when the database cannot be read; otherwise returns what the check found, which the minutes say.
    static record::Verification::Outcome writeOfDatabase(record::Journal& journal, const std::string& databasePath,
                                                         const QString& path);
};
