#pragma once

#include "core/participants/ParticipantUpload.h"
#include "participants/ui_uPeserta.h"
#include "platform/db/DataSource.h"
#include "platform/db/TableCursor.h"
#include "platform/ui/DBNavigator.h"
#include "platform/ui/FileDialog.h"

#include <QWidget>
#include <array>
#include <functional>

class PreviewModel;
namespace core {
class Session;
}

// The participants screen: a form to type in, change and delete one participant at a time, a grid of them all
// with deletion of one or every participant, and the spreadsheet upload. Its controls are those of its form
// (uPeserta.ui), under their given names: "Simpan" and "Batal" lie over the row of buttons and the navigator while
// shown; Edit1 ("Nomor Urut") is set only by the handlers, never typed into; the upload's preview (ListView1) has
// rows of one height, so a long preview grows and scrolls without measuring or laying out every row.
class TfPeserta : public QWidget, public Ui::TfPeserta {
    Q_OBJECT
public:
    explicit TfPeserta(core::Session& session, QWidget* parent = nullptr);

    PreviewModel* ListView1Items; // the upload's preview, shown in ListView1

    db::TableCursor ADOTable3{"ADOTable3"}; // behind the form and the grid
    db::TableCursor ADOTable1{"ADOTable1"}; // the upload's target
    db::DataSource DataSource2;
    ui::FileDialog OpenDialog1{ui::FileDialog::Mode::Open};

    // Event handlers.
    void BitBtn1Click(QObject* Sender);
    void BitBtn2Click(QObject* Sender);
    void BitBtn3Click(QObject* Sender);
    void BitBtn5Click(QObject* Sender);
    void BitBtn6Click(QObject* Sender);
    void BitBtn8Click(QObject* Sender);
    void navClick(QObject* Sender, ui::DBNavigator::Button Button);
    // The Upload tab (uPesertaImport.cpp): "Import" previews a workbook, "Upload.." stores its rows all or nothing.
    void SpeedButton7Click(QObject* Sender);
    void SpeedButton6Click(QObject* Sender);
    // Stored, with the rows stored, or Refused with the reason (nothing stored). A file that cannot be read or a
    // database failure throws.
    ParticipantUpload::Result UploadExcel(db::TableCursor& Target, const QString& FileName);

    // "Lihat Peserta" on the draw screen: shows this screen with the table as it is now.
    void showFromDraw();

private:
    void setUpFormTab();
    void setUpTableTab();
    void setUpUploadTab();
    void restoreGridColumnWidths();
    // Reads the table into the grid's cursor (read: its open() or requery()), telling the progress meanwhile.
    void readParticipants(const std::function<void()>& read);

    std::array<int, 4> m_gridColumnWidths{64, 160, 320, 160}; // ID, no_undian, nama, hp
    bool m_restoringWidths = false;
    core::Session& m_session;
};

extern TfPeserta* fPeserta;
