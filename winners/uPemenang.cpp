#include "winners/uPemenang.h"

#include "app/Program.h"
#include "core/minutes/Minutes.h"
#include "core/record/Events.h"
#include "core/record/Verification.h"
#include "core/winners/ExportLine.h"
#include "data/uData.h"
#include "draw/uAcak.h"
#include "platform/Error.h"
#include "platform/files/ExportFile.h"
#include "platform/ui/ErrorHandler.h"
#include "platform/ui/FormKit.h"
#include "platform/ui/MessageBox.h"
#include "resources/Glyphs.h"

#include <QCheckBox>
#include <QDate>
#include <QDir>
#include <QJsonObject>
#include <QPushButton>

TfPemenang* fPemenang = nullptr;

TfPemenang::TfPemenang(QWidget* parent) : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("fPemenang")); // the form is named after the class, the screen after its instance
    ui::setUpScreen(this, resources::windowIcon(QStringLiteral("pemenang")),
                    ui::pixelFont(QStringLiteral("MS Sans Serif"), 11), QColor(0xF5, 0xFF, 0xDF));
    setupUi(this);
    ui::setGlyphs(this, &resources::glyph);

    ADOTable1.setTableName("tb_pemenang");
    DataSource1.setDataSet(&ADOTable1);
    DBGrid1->setDataSource(&DataSource1);
    SaveDialog1.setTitle(QStringLiteral("Export Data Pemenang"));
    SaveDialog1.setNameFilters({QStringLiteral("Microsoft Excel (*.xls)")});
    SaveDialog1.setDefaultSuffix(QStringLiteral("xls"));
    SaveDialog2.setTitle(QStringLiteral("Simpan Berita Acara"));
    SaveDialog2.setNameFilters({QStringLiteral("PDF (*.pdf)")});
    SaveDialog2.setDefaultSuffix(QStringLiteral("pdf"));

    connect(BitBtn1, &QPushButton::clicked, this, &QWidget::close); // closing kind: hides the screen
    ui::on(BitBtn2, &QPushButton::clicked, this, &TfPemenang::BitBtn2Click);
    ui::on(BitBtn3, &QPushButton::clicked, this, &TfPemenang::BitBtn3Click);
    ui::on(CheckBox1, &QCheckBox::clicked, this, &TfPemenang::CheckBox1Click);
    ui::on(BitBtn4, &QPushButton::clicked, this, &TfPemenang::BitBtn4Click);
}

void TfPemenang::FormCreate(QObject*) {
    ADOTable1.setConnection(&DTModule->cn);
    ADOTable1.open();
}

void TfPemenang::BitBtn3Click(QObject*) {
    // A closed cursor has no current row either.
    if (!ADOTable1.active() || ADOTable1.eof()) return;
    // A new row not yet stored is only dropped; a stored winner is named first, since a slip cannot be undone.
    if (ADOTable1.state() != db::TableCursor::State::Insert) {
        QStringList who;
        for (const char* field : {"no_undian", "nama"})
            if (const auto text = QString::fromStdString(ADOTable1.fieldText(field)); !text.isEmpty()) who << text;
        if (who.isEmpty()) who << QStringLiteral("di baris %1").arg(ADOTable1.position() + 1);
        if (!ui::MessageBox::ask(QStringLiteral("Hapus pemenang %1?").arg(who.join(QStringLiteral(", "))))) return;
    }
    ADOTable1.remove();
}

void TfPemenang::CheckBox1Click(QObject*) {
    const bool on = CheckBox1->isChecked();
    try {
        fAcak->setWinnersOnce(on);
    } catch (...) {
        CheckBox1->setChecked(!on); // not stored: the box shows what holds
        throw;
    }
}

namespace {

// "pemenang-2025-05-01.xls": the files of an event's days sort by date and none replaces another by accident.
QString datedName(const char* stem, const char* suffix) {
    return QStringLiteral("%1-%2.%3")
        .arg(QLatin1String(stem), QDate::currentDate().toString(Qt::ISODate), QLatin1String(suffix));
}

} // namespace

void TfPemenang::BitBtn2Click(QObject*) {
    SaveDialog1.setSuggestedName(datedName("pemenang", "xls"));
    if (!SaveDialog1.execute(this)) return;
    files::ExportFile file(SaveDialog1.fileName());
    file.writeLine(kExportHeader);
    ADOTable1.first();

    // The lines are read straight from the cursor's snapshot, so the grid does not follow a million moves; the
    // cursor ends where the walk would have left it.
    const std::size_t rows = ADOTable1.recordCount();
    std::string line;
    for (std::size_t row = 0; row < rows; ++row) {
        exportLine(row + 1, ADOTable1, row, line);
        try {
            file.writeLine(line);
        } catch (...) {
            ADOTable1.moveTo(row); // the row whose line failed
            throw;
        }
    }
    ADOTable1.last();
    ADOTable1.next();

    // The file is put in place inside the transaction of its journal entry: recorded, or not put there.
    const QJsonObject exported{{QStringLiteral("path"), QDir::toNativeSeparators(SaveDialog1.fileName())},
                               {QStringLiteral("rows"), static_cast<double>(rows)},
                               {QStringLiteral("sha256"), file.sha256()}};
    DTModule->journal.record(record::event::kExport, exported, [&] { file.commit(); });
    ui::MessageBox::plain(QStringLiteral("Export Data Pemenang Sukses"));
}

void TfPemenang::BitBtn4Click(QObject*) {
    SaveDialog2.setSuggestedName(datedName("berita-acara", "pdf"));
    if (!SaveDialog2.execute(this)) return;
    // This run's start is in the journal before the minutes are read from it.
    DTModule->journal.ensureStarted();
    const auto check = record::Verification::of(DTModule->cn.databasePath());
    if (check.outcome() == record::Verification::Outcome::Unreadable)
        throw platform::Error(check.verdict().toStdString());
    Minutes::writePdf(check, program::minutesHeader(), SaveDialog2.fileName());
    ui::MessageBox::plain(check.outcome() == record::Verification::Outcome::Intact
                              ? QStringLiteral("Berita Acara telah disimpan")
                              : QStringLiteral("Berita Acara telah disimpan. Pemeriksaan jurnal: TIDAK UTUH."));
}
