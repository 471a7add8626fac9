#pragma once

#include "platform/db/DataSource.h"
#include "platform/db/SqlCommand.h"
#include "platform/db/TableCursor.h"
#include "platform/ui/DBNavigator.h"
#include "platform/ui/FileDialog.h"

#include <QWidget>
#include <array>

class PreviewModel;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QToolButton;
class QTreeView;

namespace ui {
class DBEdit;
class DBGrid;
} // namespace ui

// The participants screen: a form to type in, change and delete one participant at a time, a grid of them all
// with deletion of one or every participant, and the spreadsheet upload.
class TfPeserta : public QWidget {
    Q_OBJECT
public:
    explicit TfPeserta(QWidget* parent = nullptr);

    // Components, under their given names.
    QTabWidget* PageControl1;
    QWidget* TabSheet1; // "Form"
    QWidget* TabSheet2; // "Table"
    QWidget* TabSheet3; // "Upload"

    QGroupBox* GroupBox1;
    QLabel* Label5;
    QLineEdit* Edit1; // "Nomor Urut": set only by the handlers, never typed into
    QLabel* Label1;
    ui::DBEdit* DBEdit1; // no_undian
    QLabel* Label2;
    ui::DBEdit* DBEdit2; // nama
    QLabel* Label4;
    ui::DBEdit* DBEdit3;  // hp
    QPushButton* BitBtn1; // "Input Baru"
    QPushButton* BitBtn3; // "Hapus Data"
    QPushButton* BitBtn2; // "Ubah Data"
    ui::DBNavigator* nav;
    QPushButton* BitBtn5; // "Simpan"
    QPushButton* BitBtn6; // "Batal"

    ui::DBGrid* DBGrid1;
    QPushButton* BitBtn7; // "Hapus Data"
    QPushButton* BitBtn8; // "Hapus Semua"

    QTreeView* ListView1; // the upload's preview, over ListView1Items
    PreviewModel* ListView1Items;
    QToolButton* SpeedButton7; // "Import"
    QToolButton* SpeedButton6; // "Upload.."

    QPushButton* BitBtn4; // "Tutup"

    db::TableCursor ADOTable3{"ADOTable3"}; // behind the form and the grid
    db::TableCursor ADOTable1{"ADOTable1"}; // the upload's target
    db::DataSource DataSource2;
    db::SqlCommand ADOCommand1;
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
    // True when every row was stored; false when a row was refused (nothing stored). A file that cannot be read
    // or a database failure throws.
    bool UploadExcel(db::TableCursor& Target, const QString& FileName);

private:
    void createComponents();
    void createFormTab();
    void createTableTab();
    void createUploadTab();
    void restoreGridColumnWidths();

    std::array<int, 4> m_gridColumnWidths{64, 160, 320, 160}; // ID, no_undian, nama, hp
    bool m_restoringWidths = false;
};

extern TfPeserta* fPeserta;
