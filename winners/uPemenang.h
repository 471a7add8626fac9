#pragma once

#include "core/winners/Handovers.h"
#include "platform/db/DataSource.h"
#include "platform/db/TableCursor.h"
#include "platform/ui/FileDialog.h"
#include "winners/ui_uPemenang.h"

#include <QWidget>
#include <cstdint>
#include <map>

namespace core {
class Session;
}

// The winners screen: lists, deletes and exports the saved winners. Its controls are those of its form
// (uPemenang.ui), under their given names: the grid's columns fit their contents (names and prizes are read whole,
// not cut at a fixed width), and the check box's caption takes three short lines in the button row's free space.
// With a prize plan the screen is a row of buttons taller, for what an event with a plan needs: "Tidak Hadir",
// "Export .xlsx" (below "Export Excel"), "Laporan Hadiah" (below "Berita Acara") and "Serah Terima"; and the grid
// shows each winner's handover in a column of its own, read only, after the table's columns.
class TfPemenang : public QWidget, public Ui::TfPemenang {
    Q_OBJECT
public:
    explicit TfPemenang(core::Session& session, QWidget* parent = nullptr);

    db::TableCursor ADOTable1{"ADOTable1"};
    db::DataSource DataSource1;
    ui::FileDialog SaveDialog1{ui::FileDialog::Mode::Save};
    ui::FileDialog SaveDialog2{ui::FileDialog::Mode::Save}; // the minutes
    ui::FileDialog SaveDialog3{ui::FileDialog::Mode::Save}; // the workbook
    ui::FileDialog SaveDialog4{ui::FileDialog::Mode::Save}; // the prize report

    // Event handlers.
    void FormCreate(QObject* Sender);
    void BitBtn2Click(QObject* Sender);
    void BitBtn3Click(QObject* Sender);
    void CheckBox1Click(QObject* Sender);
    void BitBtn4Click(QObject* Sender);
    // "Tidak Hadir", shown with a prize plan: the winner of the plan in the current row forfeits the prize.
    void BitBtn5Click(QObject* Sender);
    // "Export .xlsx": the winners as a workbook for the people who hand the prizes over.
    void BitBtn6Click(QObject* Sender);
    // "Laporan Hadiah": the prize report as a PDF.
    void BitBtn7Click(QObject* Sender);
    // "Serah Terima": the current winner's prize handed over (on a day), not taken, or still to be handed over.
    void BitBtn8Click(QObject* Sender);
    // A double click on the handover column does what "Serah Terima" does.
    void DBGrid1DblClick(QObject* Sender);

    // "Lihat Pemenang" on the draw screen: shows this screen with the table as it is now and the setting as it holds.
    void showFromDraw();

private:
    // The handovers as the table holds them, for the grid's column: read again whenever the grid's rows are.
    void readHandovers() noexcept;

    core::Session& m_session;
    std::map<std::int64_t, core::Handover> m_handovers;
};

extern TfPemenang* fPemenang;
