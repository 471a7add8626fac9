#pragma once

#include "platform/db/DataSource.h"
#include "platform/db/TableCursor.h"
#include "platform/ui/FileDialog.h"

#include <QWidget>

class QCheckBox;
class QPushButton;

namespace ui {
class DBGrid;
}

// The winners screen: lists, deletes and exports the saved winners.
class TfPemenang : public QWidget {
    Q_OBJECT
public:
    explicit TfPemenang(QWidget* parent = nullptr);

    // Components, under their given names.
    ui::DBGrid* DBGrid1;
    QPushButton* BitBtn1; // "Tutup"
    QPushButton* BitBtn2; // "Export Excel"
    QPushButton* BitBtn3; // "Delete"
    QPushButton* BitBtn4; // "Berita Acara"
    QCheckBox* CheckBox1; // "Pemenang tidak diundi lagi"

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

private:
    void createComponents();
};

extern TfPemenang* fPemenang;
