#include "plan/uHadiah.h"

#include "core/Look.h"
#include "core/Session.h"
#include "core/minutes/SealLetter.h"
#include "plan/SealDialog.h"
#include "platform/ui/ErrorHandler.h"
#include "platform/ui/FormKit.h"
#include "platform/ui/MessageBox.h"
#include "resources/Glyphs.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QHeaderView>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>

TfHadiah* fHadiah = nullptr;

TfHadiah::TfHadiah(core::Session& session, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), m_session(session) {
    setObjectName(QStringLiteral("fHadiah")); // the form is named after the class, the screen after its instance
    ui::setUpScreen(this, resources::windowIcon(QStringLiteral("pemenang")), look::screenFont(11), look::Background);
    setupUi(this);
    ui::setGlyphs(this, &resources::glyph);

    ADOTable1.setTableName(core::PrizePlan::kPrizes);
    ADOTable1.setConnection(&session.connection());
    DataSource1.setDataSet(&ADOTable1);
    DBGrid1->setFont(look::screenFont(11, true));
    DBGrid1->horizontalHeader()->setFont(look::screenFont(11, true));
    // Beside each prize, how many winners it has so far: the plan's rules keep its quantity at least that.
    DBGrid1->addReadOnlyColumn(QStringLiteral("terundi"), [this](std::size_t row) {
        const auto urut = ADOTable1.cellText(row, 0);
        for (const core::Prize& prize : m_session.plan().prizes())
            if (std::to_string(prize.urut) == urut) return QLocale(QLocale::Indonesian).toString(prize.drawn);
        return QString();
    });
    DBGrid1->setDataSource(&DataSource1);
    const char* navGlyphs[] = {"nav_first", "nav_prior", "nav_next", "nav_last"};
    for (int i = 0; i < 4; ++i)
        nav->button(static_cast<ui::DBNavigator::Button>(i))
            ->setIcon(resources::glyph(QString::fromLatin1(navGlyphs[i])));
    nav->setDataSource(&DataSource1);
    OpenDialog1.setUp(QStringLiteral("Import Daftar Hadiah"),
                      {QStringLiteral("Spreadsheets (*.xls *.xlsx *.ods *.csv)"), QStringLiteral("All files (*)")});
    SaveDialog1.setUp(QStringLiteral("Surat Segel Undian"), {QStringLiteral("PDF (*.pdf)")}, QStringLiteral("pdf"));
    SaveDialog2.setUp(QStringLiteral("Export Daftar Publik"), {QStringLiteral("CSV (*.csv)")}, QStringLiteral("csv"));

    connect(BitBtn2, &QPushButton::clicked, this, &QWidget::close); // closing kind: hides the screen
    ui::on(BitBtn1, &QPushButton::clicked, this, &TfHadiah::BitBtn1Click);
    ui::on(btn_segel, &QPushButton::clicked, this, &TfHadiah::btn_segelClick);
    ui::on(btn_daftarPublik, &QPushButton::clicked, this, &TfHadiah::btn_daftarPublikClick);
    ui::on(Edit1, &QLineEdit::editingFinished, this, &TfHadiah::Edit1Exit);
    // The draw reads the plan again after every write: the counts beside the prizes follow.
    connect(&session.draw(), &core::Draw::planChanged, this, &TfHadiah::showDrawn);
}

TfHadiah::~TfHadiah() {
    Edit1->disconnect(this);
}

void TfHadiah::showFromDraw() {
    show();
    raise();
    activateWindow();
    // An error opening its table shows above this screen, which stays on top of the draw screen.
    ui::guarded(this, [this] {
        core::PrizePlan::createTables(m_session.connection());
        m_session.draw().readPlan();
        ADOTable1.setConnection(&m_session.connection());
        ADOTable1.close();
        ADOTable1.open();
    });
    showSeal();
    Edit1->setText(m_session.plan().eventName());
}

void TfHadiah::Edit1Exit(QObject*) {
    if (Edit1->text().simplified() == m_session.plan().eventName()) return;
    try {
        m_session.plan().setEventName(Edit1->text());
    } catch (...) {
        Edit1->setText(m_session.plan().eventName()); // not stored: the box shows what holds
        throw;
    }
    Edit1->setText(m_session.plan().eventName());
    m_session.draw().planWritten(); // the audience screen's header follows
}

void TfHadiah::closeEvent(QCloseEvent* event) {
    ui::guarded(this, [this] { Edit1Exit(Edit1); });
    QWidget::closeEvent(event);
}

void TfHadiah::showDrawn() {
    DBGrid1->refreshReadOnlyColumns();
    showSeal();
}

void TfHadiah::showSeal() {
    const core::KeyedEvent& keyed = m_session.draw().keyed();
    const auto& seal = keyed.seal();
    if (!seal) {
        lbl_segel->setText(QStringLiteral("Undian Terverifikasi: tidak aktif."));
        return;
    }
    const QString sealed =
        QDateTime::fromString(seal->time, Qt::ISODateWithMs).toLocalTime().toString(QStringLiteral("dd-MM-yyyy HH:mm"));
    QString text =
        keyed.key()
            ? QStringLiteral("Undian Terverifikasi: disegel %1, kunci undian %2.").arg(sealed, keyed.key()->shortKey())
            : QStringLiteral("Undian Terverifikasi: disegel %1, kunci undian belum ditetapkan.").arg(sealed);
    if (keyed.broken()) text += QStringLiteral(" Daftar berubah sejak disegel.");
    lbl_segel->setText(text);
}

QString TfHadiah::sealedNow() const {
    const core::Draw& draw = m_session.draw();
    std::int64_t winners = 0;
    for (const core::Prize& prize : draw.plan().prizes())
        winners += prize.quantity;
    const QLocale indonesian(QLocale::Indonesian, QLocale::Indonesia);
    return QStringLiteral(
               "%1 peserta (sidik jari %2), %3 hadiah dengan %4 pemenang, dan \"Pemenang tidak diundi lagi\" "
               "%5")
        .arg(indonesian.toString(static_cast<qulonglong>(draw.participantCount())), draw.shortFingerprint())
        .arg(draw.plan().prizes().size())
        .arg(winners)
        .arg(draw.winnersOnce() ? QStringLiteral("aktif") : QStringLiteral("tidak aktif"));
}

// "Segel Undian": the keyed draw on, with its sources and witnesses, and its letter written; or switched off.
void TfHadiah::btn_segelClick(QObject*) {
    core::Draw& draw = m_session.draw();
    draw.refreshPlan();
    const auto request = SealDialog::ask(sealedNow(), draw.keyed().seal());
    if (!request) return;
    if (!request->on) {
        if (!draw.keyed().on()) return;
        if (draw.keyed().key() &&
            !ui::MessageBox::ask(QStringLiteral("Kunci undian sudah ditetapkan. Matikan Undian Terverifikasi? Putaran "
                                                "berikutnya diundi acak; ini dicatat di jurnal dan berita acara.")))
            return;
        draw.sealEvent(*request);
        showSeal();
        ui::MessageBox::information(QStringLiteral("Undian Terverifikasi dimatikan: putaran berikutnya diundi acak."));
        return;
    }
    SaveDialog1.setSuggestedName(SealLetter::fileName(QDateTime::currentDateTime()));
    if (!SaveDialog1.execute(this)) return;
    const QString letter = SaveDialog1.fileName();
    const QString database = QString::fromStdString(m_session.connection().databasePath());
    const QString eventName = m_session.plan().eventName();
    // The letter is put in place inside the seal's journal entry: both, or neither.
    draw.sealEvent(*request, [&](const verifiable::Seal& seal) {
        SealLetter::writePdf(seal, Minutes::headerNow(), database, eventName, letter);
    });
    showSeal();
    ui::MessageBox::information(QStringLiteral("Undian telah disegel. Surat segel: %1\n\nCetak dan tandatangani surat "
                                               "segel, lalu umumkan bersama daftar publik (Export Daftar Publik) "
                                               "sebelum nilai-nilai publiknya ada.")
                                    .arg(QDir::toNativeSeparators(letter)));
}

// "Export Daftar Publik": the list drawn from, IDs and draw numbers only, for the organiser to publish with the seal.
void TfHadiah::btn_daftarPublikClick(QObject*) {
    core::KeyedEvent& keyed = m_session.draw().keyed();
    SaveDialog2.setSuggestedName(
        verifiable::publicListFileName(verifiable::publicListFingerprint(keyed.participants())));
    if (!SaveDialog2.execute(this)) return;
    const verifiable::PublicListFile written = keyed.exportPublicList(SaveDialog2.fileName());
    ui::MessageBox::information(
        QStringLiteral("Daftar publik telah ditulis: %1 peserta, ke %2\n\nBaris pertamanya:\nLp,%3")
            .arg(written.rows)
            .arg(QDir::toNativeSeparators(SaveDialog2.fileName()), QString::fromStdString(written.fingerprint)));
}

void TfHadiah::BitBtn1Click(QObject*) {
    if (!OpenDialog1.execute(this)) return;
    const std::size_t prizes = m_session.plan().prizes().size();
    if (prizes > 0 && !ui::MessageBox::ask(
                          QStringLiteral("Ganti daftar hadiah yang ada (%1 hadiah) dengan isi file ini?").arg(prizes)))
        return;
    const core::PrizePlan::Imported imported = m_session.plan().importFrom(OpenDialog1.fileName().toStdString());
    if (!imported.refusal.isEmpty()) {
        ui::MessageBox::plain(QStringLiteral("Daftar hadiah tidak diimport.\n") + imported.refusal);
        return;
    }
    ADOTable1.requery();
    m_session.draw().readPlan();
    m_session.draw().planWritten(); // the draw screen and the counts follow
    ui::MessageBox::plain(QStringLiteral("Daftar hadiah telah diimport: %1 hadiah, %2 pemenang.")
                              .arg(imported.prizes)
                              .arg(imported.winners));
}
