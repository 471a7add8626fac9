// The "Upload" tab of the participants screen: "Import" previews a workbook, "Upload.." stores its rows.
#include "participants/uPeserta.h"

#include "core/Session.h"
#include "core/participants/ParticipantRows.h"
#include "core/participants/ParticipantUpload.h"
#include "participants/ImportProgress.h"
#include "participants/PreviewModel.h"
#include "platform/ui/MessageBox.h"

#include <QDir>
#include <QFileInfo>
#include <QToolButton>
#include <algorithm>
#include <chrono>

namespace {

const QString kRefused = QStringLiteral("Terdapat duplikasi pada nomor urut, silahkan anda cek kembali");

// What a row with an empty first cell left out of the list, as the preview shows it and the upload asks about it.
QString listEndText(const ParticipantRows::ListEnd& end) {
    const QString row = QString::number(end.row);
    const QString after = QString::number(end.rowsWithValues);
    if (!end.rowHoldsValues)
        return QStringLiteral("Baris %1 kosong: daftar berhenti di sana, %2 baris berisi data setelahnya tidak ikut.")
            .arg(row, after);
    if (end.rowsWithValues == 0)
        return QStringLiteral("Nomor urut di baris %1 kosong: daftar berhenti di sana, baris itu tidak ikut.").arg(row);
    return QStringLiteral("Nomor urut di baris %1 kosong: daftar berhenti di sana, baris itu dan %2 baris berisi data "
                          "setelahnya tidak ikut.")
        .arg(row, after);
}

// What is wrong with the file, on a line of its own under kRefused: which row or ID, and what the operator can do.
QString refusalText(const ParticipantUpload::Result& result) {
    using Refusal = ParticipantUpload::Refusal;
    const QString row = QString::number(result.sheetRow);
    const QString id = QString::fromStdString(result.id);
    switch (result.refusal) {
    case Refusal::EmptyId:
        return QStringLiteral("Baris %1: nomor urut kosong.").arg(row);
    case Refusal::IdNotWholeNumber:
        return QStringLiteral("Baris %1: nomor urut \"%2\" bukan bilangan bulat.").arg(row, id);
    case Refusal::IdTooLarge:
        return QStringLiteral("Baris %1: nomor urut %2 terlalu besar.").arg(row, id.trimmed());
    case Refusal::IdRepeatedInFile:
        return QStringLiteral("Nomor urut %1 ada dua kali di file: baris %2 dan baris %3.")
            .arg(id, QString::number(result.earlierRow), row);
    case Refusal::IdAlreadyStored:
        return QStringLiteral("Nomor urut %1 sudah ada di tabel peserta; gunakan Hapus Semua untuk mengganti daftar.")
            .arg(id);
    case Refusal::TooManyColumns:
        return QStringLiteral("File ini berisi %1 kolom; tabel peserta hanya 4: nomor urut, nomor undian, nama, "
                              "nomor handphone.")
            .arg(result.columns);
    case Refusal::None:
    case Refusal::Other:
        break;
    }
    return QString::fromStdString(result.reason);
}
// How long the screen waits for the reader before it tells the progress (and so keeps painting) again.
constexpr std::chrono::milliseconds kWaitStep{50};
// The most rows the preview's list takes in one step: some 15 ms of the screen's time.
constexpr int kMostItemsAtOnce = 1 << 18;

} // namespace

void TfPeserta::SpeedButton7Click(QObject* /*Sender*/) {
    if (ImportProgress::running()) return;
    OpenDialog1.setTitle(QStringLiteral("Import Data Peserta dari Excel"));
    // Every kind the readers take is shown at first: an operator's list is as often an .xlsx as an .xls.
    OpenDialog1.setNameFilters({QStringLiteral("Spreadsheets (*.xls *.xlsx *.ods *.csv)"), QStringLiteral("*.xls"),
                                QStringLiteral("All files (*)")});
    ListView1Items->clear();
    ListEndWarning->clear();
    ListEndWarning->hide();
    if (!OpenDialog1.execute(this)) return;
    SpeedButton6->setEnabled(true);

    // A file that cannot be read ends here through the default error handler; the items read so far stay listed.
    ImportProgress progress(this, QStringLiteral("Membaca %1 baris..."), {SpeedButton7, SpeedButton6});
    ParticipantRows rows(OpenDialog1.fileName().toStdString());
    // Items reach the list in growing steps: the first rows at once, then each time as many as it holds, up to
    // kMostItemsAtOnce, since a step holds the screen for as long as the list takes to add its rows. The cells stay
    // UTF-8 as read: the list keeps its texts packed that way. Each item has the columns the sheet has shown so far.
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
                if (pending.count() >= std::min(ListView1Items->itemCount(), kMostItemsAtOnce)) list();
            }
            progress.step(rows.delivered());
        }
        list();
        // The rest of the sheet is read for what the list leaves out, which the grid cannot show.
        while (rows.finish(kWaitStep) == ParticipantRows::Next::NotYet)
            progress.step(rows.delivered());
    } catch (...) {
        list();
        throw;
    }
    if (rows.listEnd().leavesOut()) {
        ListEndWarning->setText(listEndText(rows.listEnd()));
        ListEndWarning->show();
    }
}

void TfPeserta::SpeedButton6Click(QObject* /*Sender*/) {
    if (ImportProgress::running()) return;
    const QString fileName = OpenDialog1.fileName();
    // A refused row gets the fixed message and, on a line of its own, what is wrong where; a file that cannot be read
    // or a failing database reaches the default error handler with its own words.
    const ParticipantUpload::Result result = UploadExcel(ADOTable1, fileName);
    if (result.outcome == ParticipantUpload::Outcome::Refused) {
        ui::MessageBox::plain(kRefused + QLatin1Char('\n') + refusalText(result));
        return;
    }
    if (result.outcome == ParticipantUpload::Outcome::Declined) return; // the operator kept the table as it was
    // The count on a line of its own: a list cut short by an empty row shows there.
    ui::MessageBox::plain(QDir::toNativeSeparators(QFileInfo(fileName).absoluteFilePath()) +
                          QStringLiteral(" has been imported!\n%1 peserta disimpan.").arg(result.rows));
    readParticipants([this] { ADOTable3.requery(); });
    SpeedButton6->setEnabled(false);
}

ParticipantUpload::Result TfPeserta::UploadExcel(db::TableCursor& Target, const QString& FileName) {
    // The rows go in through one prepared statement, not through the cursor, whose snapshot would hold the whole
    // table. Closing the cursor drops whatever an earlier upload left in it, so it never holds a stale row.
    Target.close();
    ImportProgress progress(this, QStringLiteral("Menyimpan %1 baris..."), {SpeedButton7, SpeedButton6});
    return m_session.participants().upload(
        FileName.toStdString(), [&progress](std::size_t rows) { progress.step(rows); },
        // Asked before anything is committed, so No leaves the table as it was.
        [&progress](const ParticipantRows::ListEnd& end, std::size_t) {
            progress.hideDialog();
            return ui::MessageBox::ask(listEndText(end) + QStringLiteral(" Lanjutkan?"));
        });
}
