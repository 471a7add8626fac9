#include "core/verifiable/PublicList.h"

#include "core/verifiable/DrawKey.h"
#include "core/verifiable/ParticipantList.h"
#include "platform/files/ExportFile.h"

namespace verifiable {

PublicListFile writePublicList(const QString& path, const ParticipantList& participants, const PutInPlace& putInPlace) {
    PublicListFile written;
    written.fingerprint = publicListFingerprint(participants);
    files::ExportFile file(path);
    file.write("Lp," + written.fingerprint + "\nID,no_undian\n");
    std::string line;
    for (std::size_t rank = 0; rank < participants.size(); ++rank) {
        line = std::to_string(participants.id(rank));
        line += ',';
        if (const std::optional<std::string> number = participants.number(rank)) {
            line += '"';
            for (const char c : *number) {
                if (c == '"') line += '"';
                line += c;
            }
            line += '"';
        }
        line += '\n';
        file.write(line);
    }
    written.rows = participants.size();
    written.sha256 = file.sha256().toStdString();
    if (putInPlace)
        putInPlace(written, [&] { file.commit(); });
    else
        file.commit();
    return written;
}

QString publicListFileName(const std::string& fingerprint) {
    return QStringLiteral("daftar-publik-") + QString::fromStdString(fingerprint.substr(0, 16)) +
           QStringLiteral(".csv");
}

} // namespace verifiable
