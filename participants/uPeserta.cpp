#include "participants/uPeserta.h"

#include "core/Look.h"
#include "core/Session.h"
#include "participants/ImportProgress.h"
#include "participants/PreviewModel.h"
#include "platform/Error.h"
#include "platform/db/Statement.h"
#include "platform/ui/DBEdit.h"
#include "platform/ui/DBGrid.h"
#include "platform/ui/ErrorHandler.h"
#include "platform/ui/FormKit.h"
#include "platform/ui/MessageBox.h"
#include "resources/Glyphs.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QScopedValueRollback>
#include <QTableView>
#include <QToolButton>

TfPeserta* fPeserta = nullptr;

TfPeserta::TfPeserta(core::Session& session, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), m_session(session) {
    setObjectName(QStringLiteral("fPeserta")); // the form is named after the class, the screen after its instance
    ui::setUpScreen(this, resources::windowIcon(QStringLiteral("peserta")), look::screenFont(11), look::Background);
    // The page control is no tab stop of the form's own: ordering it before a control on its pages would part the
    // keyboard's round in two, leaving the tabs, where the keyboard lands, with nowhere to go.
    setupUi(this);
    ui::setGlyphs(this, &resources::glyph);

    ADOTable3.setTableName("tb_peserta");
    ADOTable1.setTableName("tb_peserta");
    DataSource2.setDataSet(&ADOTable3);
    // Bound to the shared connection as designed; it is bound again before each showing from the draw screen.
    ADOTable3.setConnection(&session.connection());
    ADOTable1.setConnection(&session.connection());
    setUpFormTab();
    setUpTableTab();
    setUpUploadTab();

    connect(BitBtn4, &QPushButton::clicked, this, &QWidget::close); // closing kind: hides the screen
    ui::on(BitBtn1, &QPushButton::clicked, this, &TfPeserta::BitBtn1Click);
    ui::on(BitBtn2, &QPushButton::clicked, this, &TfPeserta::BitBtn2Click);
    ui::on(BitBtn3, &QPushButton::clicked, this, &TfPeserta::BitBtn3Click);
    ui::on(BitBtn7, &QPushButton::clicked, this, &TfPeserta::BitBtn3Click);
    ui::on(BitBtn5, &QPushButton::clicked, this, &TfPeserta::BitBtn5Click);
    ui::on(BitBtn6, &QPushButton::clicked, this, &TfPeserta::BitBtn6Click);
    ui::on(BitBtn8, &QPushButton::clicked, this, &TfPeserta::BitBtn8Click);
    connect(nav, &ui::DBNavigator::clicked, this, [this](int button) {
        ui::guarded(this, [&] { navClick(nav, static_cast<ui::DBNavigator::Button>(button)); });
    });
    ui::on(SpeedButton7, &QToolButton::clicked, this, &TfPeserta::SpeedButton7Click);
    ui::on(SpeedButton6, &QToolButton::clicked, this, &TfPeserta::SpeedButton6Click);
}

void TfPeserta::setUpFormTab() {
    // The captions take the size of their text in the screen's font.
    for (QLabel* caption : {Label5, Label1, Label2, Label4})
        caption->adjustSize();
    ui::setColour(Edit1, QPalette::Base, Edit1->palette().color(QPalette::Button));
    for (ui::DBEdit* field : {DBEdit1, DBEdit2, DBEdit3})
        ui::setColour(field, QPalette::Base, Qt::white);
    DBEdit1->setDataSource(&DataSource2, "no_undian");
    DBEdit2->setDataSource(&DataSource2, "nama");
    DBEdit3->setDataSource(&DataSource2, "hp");

    const char* navGlyphs[] = {"nav_first", "nav_prior", "nav_next", "nav_last"};
    for (int i = 0; i < 4; ++i)
        nav->button(static_cast<ui::DBNavigator::Button>(i))
            ->setIcon(resources::glyph(QString::fromLatin1(navGlyphs[i])));
    nav->setDataSource(&DataSource2);
    // The navigator's own buttons follow the form's fields.
    ui::chainTabOrder({Edit1, nav->button(ui::DBNavigator::First), nav->button(ui::DBNavigator::Prior),
                       nav->button(ui::DBNavigator::Next), nav->button(ui::DBNavigator::Last), DBGrid1});
}

void TfPeserta::setUpTableTab() {
    DBGrid1->setFont(look::screenFont(11, true));
    ui::setColour(DBGrid1, QPalette::Text, Qt::black);
    QHeaderView* titles = DBGrid1->horizontalHeader();
    titles->setFont(look::screenFont(11, true));
    titles->setStyleSheet(QStringLiteral("QHeaderView::section { background-color: %1; color: white; border: none; "
                                         "border-right: 1px solid #A0A0A0; border-bottom: 1px solid #A0A0A0; "
                                         "padding: 2px 4px; }")
                              .arg(look::Band.name().toUpper()));
    DBGrid1->setDataSource(&DataSource2);
    // Opening the cursor makes the columns anew; they come back at the widths last given them.
    connect(DBGrid1->model(), &QAbstractItemModel::modelReset, this, &TfPeserta::restoreGridColumnWidths);
    connect(titles, &QHeaderView::sectionResized, this, [this](int index, int, int size) {
        if (!m_restoringWidths && index >= 0 && index < static_cast<int>(m_gridColumnWidths.size()) && size > 0)
            m_gridColumnWidths[static_cast<std::size_t>(index)] = size;
    });
    restoreGridColumnWidths();
}

void TfPeserta::restoreGridColumnWidths() {
    QHeaderView* titles = DBGrid1->horizontalHeader();
    const QScopedValueRollback restoring(m_restoringWidths, true);
    for (int i = 0; i < titles->count() && i < static_cast<int>(m_gridColumnWidths.size()); ++i)
        titles->resizeSection(i, m_gridColumnWidths[static_cast<std::size_t>(i)]);
}

void TfPeserta::setUpUploadTab() {
    ListView1Items = new PreviewModel({QStringLiteral("NO. URUT"), QStringLiteral("NO. UNDIAN"),
                                       QStringLiteral("NAMA PESERTA"), QStringLiteral("NO. HANDPHONE")},
                                      this);
    // Under the preview, beside its buttons: what a row with an empty first cell left out of the list.
    ListEndWarning->hide();
    ListEndWarning->setFont(look::screenFont(11, true));
    ui::setColour(ListEndWarning, QPalette::WindowText, QColor(0xB0, 0x00, 0x00));
    ListView1->setModel(ListView1Items);
    // A list in report view: titles on the left of their columns, no row titles, every row one height. Growing by
    // a batch of rows then costs the view a step per batch, not a layout of every row it holds.
    QHeaderView* titles = ListView1->horizontalHeader();
    titles->setSectionsMovable(false);
    titles->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QHeaderView* rows = ListView1->verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(ListView1->fontMetrics().height() + 4);
    const int widths[] = {100, 200, 300, 180};
    for (int i = 0; i < 4; ++i)
        titles->resizeSection(i, widths[i]);
}

void TfPeserta::BitBtn1Click(QObject*) {
    const std::size_t count = ADOTable3.recordCount();
    Edit1->setText(QString::number(count + 1));
    ADOTable3.append();
    BitBtn5->show();
    BitBtn6->show();
    DBEdit1->setFocus();
}

void TfPeserta::BitBtn2Click(QObject*) {
    ADOTable3.edit();
    BitBtn5->show();
    BitBtn6->show();
    Edit1->setText(QString::fromStdString(ADOTable3.fieldText(0)));
}

void TfPeserta::BitBtn3Click(QObject*) {
    ADOTable3.remove();
    Edit1->setText(QString::fromStdString(ADOTable3.fieldText(0)));
}

void TfPeserta::BitBtn5Click(QObject*) {
    BitBtn5->hide();
    BitBtn6->hide();
    ADOTable3.setFieldText(0, Edit1->text().toStdString());
    try {
        ADOTable3.post();
    } catch (const platform::Error& error) {
        // The database names its constraint; the operator is told which number is taken. The row stays pending.
        if (!db::isDuplicateKey(error)) throw;
        throw platform::Error(
            QStringLiteral("Nomor urut %1 sudah ada di tabel peserta").arg(Edit1->text()).toStdString());
    }
    ui::MessageBox::plain(QStringLiteral("Data baru telah disimpan"));
}

void TfPeserta::BitBtn6Click(QObject*) {
    BitBtn5->hide();
    BitBtn6->hide();
    ADOTable3.cancel();
    Edit1->setText(QString::fromStdString(ADOTable3.fieldText(0)));
}

void TfPeserta::BitBtn8Click(QObject*) {
    // The count is the table's, not the grid's, which may be older than an upload or a change made elsewhere.
    const std::int64_t count = m_session.participants().count();
    if (count > 0 &&
        !ui::MessageBox::ask(QStringLiteral("Hapus semua %1 peserta? Tindakan ini tidak dapat dibatalkan.").arg(count)))
        return;
    m_session.participants().clearAll();
    ui::MessageBox::information(QStringLiteral("Data Sudah diHapus"));
    readParticipants([this] { ADOTable3.requery(); });
}

void TfPeserta::showFromDraw() {
    show();
    raise();
    activateWindow();
    // An error opening its table shows above this screen, which stays on top of the draw screen.
    ui::guarded(this, [this] {
        ADOTable3.setConnection(&m_session.connection());
        ADOTable3.close();
        // While the table holds just the draw's list, the grid shares its rows: ten million participants show at
        // once, in no more memory.
        core::Draw& draw = m_session.draw();
        if (draw.listIsTheTable())
            ADOTable3.openAsCopyOf(draw.participants());
        else
            readParticipants([this] { ADOTable3.open(); });
    });
}

void TfPeserta::readParticipants(const std::function<void()>& read) {
    // Ten million participants take seconds to read: the screen keeps painting and shows how far it has got.
    ImportProgress progress(this, QStringLiteral("Membaca %1 baris..."), {SpeedButton7, SpeedButton6});
    ADOTable3.setReadProgress([&progress](std::size_t rows) { progress.step(rows); });
    // The grid learns of the rows a slice at a time, the screen painting between slices.
    DBGrid1->setRevealPump([this, &progress] { progress.step(ADOTable3.recordCount()); });
    const auto done = qScopeGuard([this] {
        ADOTable3.setReadProgress({});
        DBGrid1->setRevealPump({});
    });
    read();
}

void TfPeserta::navClick(QObject*, ui::DBNavigator::Button) {
    Edit1->setText(QString::fromStdString(ADOTable3.fieldText(0)));
}
