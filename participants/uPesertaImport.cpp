// The "Upload" tab of the participants screen: "Import" previews a workbook, "Upload.." stores its rows.
#include "participants/uPeserta.h"

#include "core/participants/ParticipantRows.h"
#include "core/participants/ParticipantUpload.h"
#include "core/record/Events.h"
#include "core/record/Fingerprint.h"
#include "data/uData.h"
#include "participants/ImportProgress.h"
#include "participants/PreviewModel.h"
#include "platform/ui/MessageBox.h"

#include <QDir>
#include <QFileInfo>
#include <QToolButton>
#include <chrono>

namespace {

const QString kRefused = QStringLiteral("Terdapat duplikasi pada nomor urut, silahkan anda cek kembali");
// How long the screen waits for the reader before it tells the progress (and so keeps painting) again.
constexpr std::chrono::milliseconds kWaitStep{50};

} // namespace

void TfPeserta::SpeedButton7Click(QObject* /*Sender*/) {
    if (ImportProgress::running()) return;
    OpenDialog1.setTitle(QStringLiteral("Import Data Peserta dari Excel"));
    // Every kind the readers take is shown at first: an operator's list is as often an .xlsx as an .xls.
    OpenDialog1.setNameFilters({QStringLiteral("Spreadsheets (*.xls *.xlsx *.ods *.csv)"), QStringLiteral("*.xls"),
                                QStringLiteral("All files (*)")});
    ListView1Items->clear();
    if (!OpenDialog1.execute(this)) return;
    SpeedButton6->setEnabled(true);

    // A file that cannot be read ends here through the default error handler; the items read so far stay listed.
    ImportProgress progress(this, QStringLiteral("Membaca %1 baris..."), {SpeedButton7, SpeedButton6});
    ParticipantRows rows(OpenDialog1.fileName().toStdString());
    // Items reach the list in growing steps: the first rows at once, then each time as many as it holds, because
    // the view lays out every row it has whenever it is told of new ones. The cells stay UTF-8 as read: the list
    // keeps its texts packed that way. Each item has the columns the sheet has shown so far.
    PreviewModel::Items pending;
    const auto list = [&] {
        ListView1Items->appendItems(std::move(pending));
        ImportProgress::pumpEvents();
    };
    ParticipantRows::Batch batch;
    try {
        for (;;) {
            const auto got = rows.next(batch, kWaitStep);
            if (got == ParticipantRows::Next::End) break;
            if (got == ParticipantRows::Next::Batch) {
                const int columns = rows.columnCount();
                for (std::size_t row = 0; row < batch.size(); ++row) {
                    pending.addItem(batch.cell(row, 1));
                    for (int column = 2; column <= columns; ++column)
                        pending.addSubItem(batch.cell(row, column));
                }
                if (pending.count() >= ListView1Items->itemCount()) list();
            }
            progress.step(rows.delivered());
        }
    } catch (...) {
        list();
        throw;
    }
    list();
}

void TfPeserta::SpeedButton6Click(QObject* /*Sender*/) {
    if (ImportProgress::running()) return;
    const QString fileName = OpenDialog1.fileName();
    // A refused row gets the fixed message; a file that cannot be read or a failing database reaches the default
    // error handler with its own words.
    if (!UploadExcel(ADOTable1, fileName)) {
        ui::MessageBox::plain(kRefused);
        return;
    }
    ui::MessageBox::plain(QDir::toNativeSeparators(QFileInfo(fileName).absoluteFilePath()) +
                          QStringLiteral(" has been imported!"));
    ADOTable3.requery();
    SpeedButton6->setEnabled(false);
}

bool TfPeserta::UploadExcel(db::TableCursor& Target, const QString& FileName) {
    // The rows go in through one prepared statement, not through the cursor, whose snapshot would hold the whole
    // table. Closing the cursor drops whatever an earlier upload left in it, so it never holds a stale row.
    Target.close();
    db::Connection& connection = Target.connection() ? *Target.connection() : DTModule->cn;
    ImportProgress progress(this, QStringLiteral("Menyimpan %1 baris..."), {SpeedButton7, SpeedButton6});
    ParticipantUpload upload(connection);
    upload.setProgress([&progress](std::size_t rows) { progress.step(rows); });
    // The rows and the journal's entry naming the file by its SHA-256 go in together.
    DTModule->journal.ensureStarted();
    upload.setBeforeCommit([&](std::size_t rows) {
        DTModule->journal.append(
            record::event::kUpload,
            {{QStringLiteral("file"), QDir::toNativeSeparators(QFileInfo(FileName).absoluteFilePath())},
             {QStringLiteral("sha256"), QString::fromStdString(record::fileSha256(FileName.toStdString()))},
             {QStringLiteral("rows"), static_cast<double>(rows)}});
    });
    return upload.run(FileName.toStdString()).outcome == ParticipantUpload::Outcome::Stored;
}
