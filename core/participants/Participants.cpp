#include "core/participants/Participants.h"

#include "core/record/Events.h"
#include "core/record/FileSha256.h"
#include "core/record/Journal.h"
#include "platform/db/Connection.h"
#include "platform/db/SqlCommand.h"
#include "platform/db/Statement.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonObject>

namespace core {

std::int64_t Participants::count() const {
    db::Statement rows(m_connection, "SELECT count(*) FROM tb_peserta");
    return rows.step() ? rows.columnInt(0) : 0;
}

int Participants::clearAll() {
    db::SqlCommand clear;
    clear.setConnection(&m_connection);
    clear.setCommandText(kClearAll);
    int cleared = 0;
    m_journal.recordChange(record::event::kParticipantsCleared, [&] {
        cleared = clear.execute();
        return QJsonObject{{QStringLiteral("count"), cleared}};
    });
    return cleared;
}

ParticipantUpload::Result Participants::upload(const std::string& path, ParticipantUpload::Progress progress,
                                               ParticipantUpload::ConfirmListEnd confirmListEnd) {
    ParticipantUpload upload(m_connection);
    upload.setProgress(std::move(progress));
    upload.setConfirmListEnd(std::move(confirmListEnd));
    // The rows and the journal's entry naming the file by its SHA-256 go in together. The hash is taken while the
    // rows are stored: after them, on the screen's thread, it added some 190 ms to a million-row upload.
    m_journal.ensureStarted();
    record::FileSha256 sha256(path);
    upload.setBeforeCommit([&](std::size_t rows) {
        const QString file = QString::fromStdString(path);
        m_journal.append(record::event::kUpload,
                         {{QStringLiteral("file"), QDir::toNativeSeparators(QFileInfo(file).absoluteFilePath())},
                          {QStringLiteral("sha256"), QString::fromStdString(sha256.result())},
                          {QStringLiteral("rows"), static_cast<double>(rows)}});
    });
    return upload.run(path);
}

} // namespace core
