#include "winners/uPemenang.h"

#include "core/Look.h"
#include "core/Session.h"
#include "core/minutes/Minutes.h"
#include "core/minutes/PrizeReport.h"
#include "platform/ui/ChoiceDialog.h"
#include "platform/ui/DatedChoiceDialog.h"
#include "platform/ui/ErrorHandler.h"
#include "platform/ui/FormKit.h"
#include "platform/ui/MessageBox.h"
#include "resources/Glyphs.h"

#include <QCheckBox>
#include <QDate>
#include <QDir>
#include <QJsonObject>
#include <QPushButton>
#include <algorithm>

TfPemenang* fPemenang = nullptr;

TfPemenang::TfPemenang(core::Session& session, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), m_session(session) {
    setObjectName(QStringLiteral("fPemenang")); // the form is named after the class, the screen after its instance
    ui::setUpScreen(this, resources::windowIcon(QStringLiteral("pemenang")), look::font(look::WinnersFamily, 11),
                    look::Background);
    setupUi(this);
    ui::setGlyphs(this, &resources::glyph);

    ADOTable1.setTableName("tb_pemenang");
    DataSource1.setDataSet(&ADOTable1);
    DBGrid1->setDataSource(&DataSource1);
    SaveDialog1.setUp(QStringLiteral("Export Data Pemenang"), {QStringLiteral("Microsoft Excel (*.xls)")},
                      QStringLiteral("xls"));
    SaveDialog2.setUp(QStringLiteral("Simpan Berita Acara"), {QStringLiteral("PDF (*.pdf)")}, QStringLiteral("pdf"));
    SaveDialog3.setUp(QStringLiteral("Export Data Pemenang (.xlsx)"), {QStringLiteral("Excel Workbook (*.xlsx)")},
                      QStringLiteral("xlsx"));
    SaveDialog4.setUp(QStringLiteral("Simpan Laporan Hadiah"), {QStringLiteral("PDF (*.pdf)")}, QStringLiteral("pdf"));

    // Each winner's handover beside it, shown with a plan: what the people handing over prizes look for.
    DBGrid1->addReadOnlyColumn(QStringLiteral("serah_terima"), [this](std::size_t row) {
        const std::optional<std::int64_t> key = ADOTable1.rowKeyAt(row);
        if (!key) return QString();
        const auto handover = m_handovers.find(*key);
        return (handover == m_handovers.end() ? core::Handover{} : handover->second).text();
    });
    DBGrid1->setReadOnlyColumnsShown(false);
    connect(DBGrid1->model(), &QAbstractItemModel::modelReset, this, &TfPemenang::readHandovers);

    connect(BitBtn1, &QPushButton::clicked, this, &QWidget::close); // closing kind: hides the screen
    ui::on(BitBtn2, &QPushButton::clicked, this, &TfPemenang::BitBtn2Click);
    ui::on(BitBtn3, &QPushButton::clicked, this, &TfPemenang::BitBtn3Click);
    ui::on(CheckBox1, &QCheckBox::clicked, this, &TfPemenang::CheckBox1Click);
    ui::on(BitBtn4, &QPushButton::clicked, this, &TfPemenang::BitBtn4Click);
    ui::on(BitBtn5, &QPushButton::clicked, this, &TfPemenang::BitBtn5Click);
    ui::on(BitBtn6, &QPushButton::clicked, this, &TfPemenang::BitBtn6Click);
    ui::on(BitBtn7, &QPushButton::clicked, this, &TfPemenang::BitBtn7Click);
    ui::on(BitBtn8, &QPushButton::clicked, this, &TfPemenang::BitBtn8Click);
    ui::on(DBGrid1, &QAbstractItemView::doubleClicked, this, &TfPemenang::DBGrid1DblClick);
}

namespace {
constexpr int kHeight = 662;
constexpr int kHeightWithPlan = 692; // a second row of buttons
} // namespace

void TfPemenang::FormCreate(QObject*) {
    ADOTable1.setConnection(&m_session.connection());
    ADOTable1.open();
}

void TfPemenang::showFromDraw() {
    CheckBox1->setChecked(m_session.draw().winnersOnce());
    const bool planned = m_session.draw().planned();
    for (QPushButton* button : {BitBtn5, BitBtn6, BitBtn7, BitBtn8})
        button->setVisible(planned);
    DBGrid1->setReadOnlyColumnsShown(planned);
    resize(width(), planned ? kHeightWithPlan : kHeight);
    show();
    raise();
    activateWindow();
    // An error opening its table shows above this screen, which stays on top of the draw screen.
    ui::guarded(this, [this] {
        ADOTable1.setConnection(&m_session.connection());
        ADOTable1.close();
        ADOTable1.open();
    });
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

void TfPemenang::BitBtn5Click(QObject*) {
    if (!ADOTable1.active() || ADOTable1.eof() || ADOTable1.state() == db::TableCursor::State::Insert) return;
    const std::int64_t key = ADOTable1.rowKey();
    if (!m_session.plan().winnerOf(key)) {
        ui::MessageBox::information(QStringLiteral("Pemenang ini tidak diundi dari Daftar Hadiah, jadi tidak ada "
                                                   "tempat hadiah yang dibuka lagi. Hapus dengan Delete bila perlu."));
        return;
    }
    const auto reason = ui::ChoiceDialog::ask(
        {QStringLiteral("Tidak Hadir"),
         QStringLiteral("%1 (%2) gugur sebagai pemenang %3, dan tempatnya diundi lagi. Alasannya:")
             .arg(QString::fromStdString(ADOTable1.fieldText(1)), QString::fromStdString(ADOTable1.fieldText(0)),
                  QString::fromStdString(ADOTable1.fieldText(2))),
         core::PrizePlan::reasons(), QStringLiteral("alasan lain:")});
    if (!reason) return;
    const std::size_t row = ADOTable1.position();
    m_session.draw().forfeitSaved(key, *reason);
    // The row left the table with the forfeit: the grid shows the table as it is now, near where it was.
    ADOTable1.requery();
    if (ADOTable1.recordCount() > 0) ADOTable1.moveTo(std::min(row, ADOTable1.recordCount() - 1));
}

void TfPemenang::readHandovers() noexcept {
    try {
        m_handovers = m_session.handovers().all();
    } catch (const std::exception&) {
        // The table cannot be read now (another program holds the database): the column shows what was read last.
    }
}

void TfPemenang::BitBtn8Click(QObject*) {
    if (!ADOTable1.active() || ADOTable1.eof() || ADOTable1.state() == db::TableCursor::State::Insert) return;
    const std::int64_t key = ADOTable1.rowKey();
    const core::Handover now = m_session.handovers().of(key);
    const QDate today = QDate::currentDate();
    using State = core::Handover::State;
    const auto answer = ui::DatedChoiceDialog::ask(
        {QStringLiteral("Serah Terima"),
         QStringLiteral("Hadiah %1 untuk %2 (%3):")
             .arg(QString::fromStdString(ADOTable1.fieldText(2)), QString::fromStdString(ADOTable1.fieldText(1)),
                  QString::fromStdString(ADOTable1.fieldText(0))),
         {core::Handover::stateText(State::Pending), core::Handover::stateText(State::HandedOver),
          core::Handover::stateText(State::NotTaken)},
         static_cast<int>(now.state),
         static_cast<int>(State::HandedOver),
         now.date.isValid() ? now.date : today,
         today});
    if (!answer) return;
    m_session.handovers().change(key, {static_cast<State>(answer->choice), answer->date});
    readHandovers();
    DBGrid1->refreshReadOnlyColumns();
}

void TfPemenang::DBGrid1DblClick(QObject*) {
    // The handover's column is the one after the table's own.
    if (BitBtn8->isVisible() && DBGrid1->currentIndex().column() == ADOTable1.fieldCount()) BitBtn8Click(DBGrid1);
}

void TfPemenang::CheckBox1Click(QObject*) {
    const bool on = CheckBox1->isChecked();
    try {
        m_session.draw().setWinnersOnce(on);
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
    m_session.winners().exportTo(ADOTable1, SaveDialog1.fileName());
    ui::MessageBox::plain(QStringLiteral("Export Data Pemenang Sukses"));
}

void TfPemenang::BitBtn6Click(QObject*) {
    SaveDialog3.setSuggestedName(datedName("pemenang", "xlsx"));
    if (!SaveDialog3.execute(this)) return;
    // A cell being edited in the grid is stored first, as a move of the cursor would store it.
    if (ADOTable1.active() && ADOTable1.state() != db::TableCursor::State::Browse) {
        if (ADOTable1.modified())
            ADOTable1.post();
        else
            ADOTable1.cancel();
    }
    m_session.winners().exportWorkbook(SaveDialog3.fileName());
    ui::MessageBox::plain(QStringLiteral("Export Data Pemenang Sukses"));
}

void TfPemenang::BitBtn7Click(QObject*) {
    SaveDialog4.setSuggestedName(datedName("laporan-hadiah", "pdf"));
    if (!SaveDialog4.execute(this)) return;
    const auto outcome = PrizeReport::writeOfDatabase(m_session.journal(), m_session.connection().databasePath(),
                                                      SaveDialog4.fileName());
    ui::MessageBox::plain(outcome == record::Verification::Outcome::Intact
                              ? QStringLiteral("Laporan Hadiah telah disimpan")
                              : QStringLiteral("Laporan Hadiah telah disimpan. Pemeriksaan jurnal: TIDAK UTUH."));
}

void TfPemenang::BitBtn4Click(QObject*) {
    SaveDialog2.setSuggestedName(datedName("berita-acara", "pdf"));
    if (!SaveDialog2.execute(this)) return;
    const auto outcome =
        Minutes::writeOfDatabase(m_session.journal(), m_session.connection().databasePath(), SaveDialog2.fileName());
    ui::MessageBox::plain(outcome == record::Verification::Outcome::Intact
                              ? QStringLiteral("Berita Acara telah disimpan")
                              : QStringLiteral("Berita Acara telah disimpan. Pemeriksaan jurnal: TIDAK UTUH."));
}
