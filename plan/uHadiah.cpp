#include "plan/uHadiah.h"

#include "core/Look.h"
#include "core/Session.h"
#include "platform/ui/ErrorHandler.h"
#include "platform/ui/FormKit.h"
#include "platform/ui/MessageBox.h"
#include "resources/Glyphs.h"

#include <QCloseEvent>
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
    OpenDialog1.setTitle(QStringLiteral("Import Daftar Hadiah"));
    OpenDialog1.setNameFilters(
        {QStringLiteral("Spreadsheets (*.xls *.xlsx *.ods *.csv)"), QStringLiteral("All files (*)")});

    connect(BitBtn2, &QPushButton::clicked, this, &QWidget::close); // closing kind: hides the screen
    ui::on(BitBtn1, &QPushButton::clicked, this, &TfHadiah::BitBtn1Click);
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
