#pragma once

#include "plan/ui_uHadiah.h"
#include "platform/db/DataSource.h"
#include "platform/db/TableCursor.h"
#include "platform/ui/FileDialog.h"

#include <QWidget>

namespace core {
class Session;
}

// The prize plan's screen "DAFTAR HADIAH": the plan's rows in a grid with a navigator, typed in, changed and deleted
// there (each write checked against the plan's rules and journaled, core::PrizePlan), each prize's winners drawn so
// far beside it (read only), "Import" of a plan from a workbook, and above the grid the event's name ("Nama acara").
// Below, the keyed draw that anyone can recompute ("Undian Terverifikasi", core::KeyedEvent): "Segel Undian" seals
// the event and writes the seal's letter, "Export Daftar Publik" the list the organiser publishes with it, and a line
// says where the keyed draw stands. Its controls are those of its form (uHadiah.ui), under their given names.
class TfHadiah : public QWidget, public Ui::TfHadiah {
    Q_OBJECT
public:
    explicit TfHadiah(core::Session& session, QWidget* parent = nullptr);
    // Going away, the screen no longer hears "Nama acara" left: the box loses its focus as the window closes.
    ~TfHadiah() override;

    db::TableCursor ADOTable1{"ADOTable1"}; // tb_hadiah
    db::DataSource DataSource1;
    ui::FileDialog OpenDialog1{ui::FileDialog::Mode::Open};
    ui::FileDialog SaveDialog1{ui::FileDialog::Mode::Save}; // the seal's letter
    ui::FileDialog SaveDialog2{ui::FileDialog::Mode::Save}; // the public list

    // Event handlers.
    void BitBtn1Click(QObject* Sender);
    void btn_segelClick(QObject* Sender);
    void btn_daftarPublikClick(QObject* Sender);
    // "Nama acara" left, or Enter pressed in it: the event's name is stored (and journaled) when it changed.
    void Edit1Exit(QObject* Sender);

    // "Daftar Hadiah" on the draw screen: shows this screen with the plan as it is now, its tables made when missing.
    void showFromDraw();

protected:
    // Closed while the name is being typed: the name is stored as leaving the box would store it.
    void closeEvent(QCloseEvent* event) override;

private:
    // The winners drawn per prize, as the draw last read the plan, and where the keyed draw stands.
    void showDrawn();
    void showSeal();
    // What a seal would seal now, in a sentence.
    QString sealedNow() const;

    core::Session& m_session;
};

extern TfHadiah* fHadiah;
