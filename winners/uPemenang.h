#pragma once

#include "platform/db/DataSource.h"
#include "platform/db/TableCursor.h"
#include "platform/ui/FileDialog.h"
#include "winners/ui_uPemenang.h"

#include <QWidget>

namespace core {
class Session;
}

// The winners screen: lists, deletes and exports the saved winners. Its controls are those of its form
// (uPemenang.ui), under their given names: the grid's columns fit their contents (names and prizes are read whole,
// not cut at a fixed width), and the check box's caption takes three short lines in the button row's free space.
// With a prize plan the screen is a row of buttons taller, for "Tidak Hadir".
class TfPemenang : public QWidget, public Ui::TfPemenang {
    Q_OBJECT
public:
    explicit TfPemenang(core::Session& session, QWidget* parent = nullptr);

    db::TableCursor ADOTable1{"ADOTable1"};
    db::DataSource DataSource1;
    ui::FileDialog SaveDialog1{ui::FileDialog::Mode::Save};
    ui::FileDialog SaveDialog2{ui::FileDialog::Mode::Save}; // the minutes

    // Event handlers.
    void FormCreate(QObject* Sender);
    void BitBtn2Click(QObject* Sender);
    void BitBtn3Click(QObject* Sender);
    void CheckBox1Click(QObject* Sender);
    void BitBtn4Click(QObject* Sender);
    // "Tidak Hadir", shown with a prize plan: the winner of the plan in the current row forfeits the prize.
    void BitBtn5Click(QObject* Sender);

    // "Lihat Pemenang" on the draw screen: shows this screen with the table as it is now and the setting as it holds.
    void showFromDraw();

private:
    core::Session& m_session;
};

extern TfPemenang* fPemenang;
