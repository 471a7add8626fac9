#include "participants/uPeserta.h"

#include "data/uData.h"
#include "participants/PreviewModel.h"
#include "platform/Error.h"
#include "platform/db/Statement.h"
#include "platform/record/Events.h"
#include "platform/ui/DBEdit.h"
#include "platform/ui/DBGrid.h"
#include "platform/ui/ErrorHandler.h"
#include "platform/ui/FocusFrame.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/WindowPlacement.h"
#include "resources/Glyphs.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QStyleOptionToolButton>
#include <QStylePainter>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeView>

TfPeserta* fPeserta = nullptr;

namespace {

QFont verdana(int pixels, bool bold = false) {
    QFont font(QStringLiteral("Verdana"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

void colour(QWidget* widget, QPalette::ColorRole role, const QColor& value) {
    QPalette palette = widget->palette();
    palette.setColor(role, value);
    widget->setPalette(palette);
}

// Every tab of the page control has the same size, whatever its caption.
class FixedTabBar : public QTabBar {
public:
    explicit FixedTabBar(QSize tabSize) : m_tabSize(tabSize) {
        setUsesScrollButtons(false);
        setElideMode(Qt::ElideNone);
        setDrawBase(false);
    }

protected:
    QSize tabSizeHint(int) const override { return m_tabSize; }
    QSize minimumTabSizeHint(int) const override { return m_tabSize; }

private:
    QSize m_tabSize;
};

// A flat button whose glyph and caption sit together in the middle, raised only under the mouse.
class SpeedButton : public QToolButton {
public:
    explicit SpeedButton(QWidget* parent) : QToolButton(parent) {
        setAutoRaise(true);
        setFocusPolicy(Qt::NoFocus); // a speed button never takes the focus
        setIconSize(QSize(16, 16));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QStylePainter painter(this);
        QStyleOptionToolButton option;
        initStyleOption(&option);
        // The panel alone: no text or icon from the style, which would put them at the left.
        QStyleOptionToolButton panel = option;
        panel.text.clear();
        panel.icon = QIcon();
        painter.drawComplexControl(QStyle::CC_ToolButton, panel);

        const QPixmap glyph = icon().pixmap(iconSize(), isEnabled() ? QIcon::Normal : QIcon::Disabled);
        const int gap = 4;
        const int textWidth = fontMetrics().horizontalAdvance(text());
        const int left = (width() - iconSize().width() - gap - textWidth) / 2;
        const int shift = isDown() ? 1 : 0;
        painter.drawPixmap(left + shift, (height() - iconSize().height()) / 2 + shift, glyph);
        const QRect textRect(left + iconSize().width() + gap + shift, shift, textWidth + 1, height());
        style()->drawItemText(&painter, textRect, Qt::AlignLeft | Qt::AlignVCenter, palette(), isEnabled(), text(),
                              QPalette::ButtonText);
    }
};

class PageControl : public QTabWidget {
public:
    PageControl(QWidget* parent, QSize tabSize) : QTabWidget(parent) { setTabBar(new FixedTabBar(tabSize)); }
};

} // namespace

TfPeserta::TfPeserta(QWidget* parent) : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("fPeserta"));
    setWindowTitle(QStringLiteral("DATA PESERTA"));
    setWindowIcon(resources::windowIcon(QStringLiteral("peserta")));
    setFont(verdana(11));
    setAutoFillBackground(true);
    colour(this, QPalette::Window, QColor(0xF5, 0xFF, 0xDF));
    resize(856, 734);

    ADOTable3.setTableName("tb_peserta");
    ADOTable1.setTableName("tb_peserta");
    DataSource2.setDataSet(&ADOTable3);
    // Bound to the shared connection as designed; the draw screen binds ADOTable3 again before each showing.
    if (DTModule) {
        ADOTable3.setConnection(&DTModule->cn);
        ADOTable1.setConnection(&DTModule->cn);
        ADOCommand1.setConnection(&DTModule->cn);
    }
    createComponents();
    ui::centreOnFirstShow(this);
    ui::alwaysShowFocusFrame(this);
}

void TfPeserta::createComponents() {
    PageControl1 = new PageControl(this, QSize(284, 30));
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setGeometry(0, 0, 857, 665);
    auto sheet = [this](const char* name, const QString& caption) {
        auto* page = new QWidget;
        page->setObjectName(QString::fromLatin1(name));
        PageControl1->addTab(page, caption);
        return page;
    };
    TabSheet1 = sheet("TabSheet1", QStringLiteral("Form"));
    TabSheet2 = sheet("TabSheet2", QStringLiteral("Table"));
    TabSheet3 = sheet("TabSheet3", QStringLiteral("Upload"));
    PageControl1->setCurrentWidget(TabSheet1);

    createFormTab();
    createTableTab();
    createUploadTab();

    BitBtn4 = new QPushButton(QStringLiteral("Tutup"), this);
    BitBtn4->setObjectName(QStringLiteral("BitBtn4"));
    BitBtn4->setGeometry(752, 680, 91, 33);
    BitBtn4->setIcon(resources::glyph(QStringLiteral("door")));
    BitBtn4->setIconSize(QSize(16, 16));
    BitBtn4->setAutoDefault(false);
    connect(BitBtn4, &QPushButton::clicked, this, &QWidget::close); // closing kind: hides the screen

    QWidget* order[] = {PageControl1,
                        BitBtn1,
                        BitBtn2,
                        BitBtn3,
                        BitBtn5,
                        BitBtn6,
                        DBEdit1,
                        DBEdit2,
                        DBEdit3,
                        Edit1,
                        nav->button(ui::DBNavigator::First),
                        nav->button(ui::DBNavigator::Prior),
                        nav->button(ui::DBNavigator::Next),
                        nav->button(ui::DBNavigator::Last),
                        DBGrid1,
                        BitBtn7,
                        BitBtn8,
                        ListView1,
                        BitBtn4};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

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

void TfPeserta::createFormTab() {
    auto button = [](QWidget* parent, const char* name, const QString& caption, QRect geometry, const char* glyph) {
        auto* b = new QPushButton(caption, parent);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(geometry);
        b->setIcon(resources::glyph(QString::fromLatin1(glyph)));
        b->setIconSize(QSize(16, 16));
        b->setAutoDefault(false);
        return b;
    };
    auto label = [](QWidget* parent, const char* name, const QString& caption, QPoint position) {
        auto* l = new QLabel(caption, parent);
        l->setObjectName(QString::fromLatin1(name));
        l->move(position);
        l->adjustSize();
        return l;
    };
    auto dbEdit = [this](const char* name, QRect geometry, const char* field) {
        auto* e = new ui::DBEdit(GroupBox1);
        e->setObjectName(QString::fromLatin1(name));
        e->setGeometry(geometry);
        colour(e, QPalette::Base, Qt::white);
        e->setDataSource(&DataSource2, field);
        return e;
    };

    GroupBox1 = new QGroupBox(QStringLiteral("Form Input Manual"), TabSheet1);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(88, 80, 673, 385);

    Label5 = label(GroupBox1, "Label5", QStringLiteral("Nomor Urut"), {72, 60});
    Edit1 = new QLineEdit(GroupBox1);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(72, 80, 121, 21);
    Edit1->setReadOnly(true);
    colour(Edit1, QPalette::Base, Edit1->palette().color(QPalette::Button));
    Label1 = label(GroupBox1, "Label1", QStringLiteral("Nomor Undian"), {72, 124});
    DBEdit1 = dbEdit("DBEdit1", {72, 148, 225, 21}, "no_undian");
    Label2 = label(GroupBox1, "Label2", QStringLiteral("Nama Peserta"), {73, 188});
    DBEdit2 = dbEdit("DBEdit2", {72, 212, 393, 21}, "nama");
    Label4 = label(GroupBox1, "Label4", QStringLiteral("Nomor Handphone"), {71, 260});
    DBEdit3 = dbEdit("DBEdit3", {72, 284, 225, 21}, "hp");
    // Each field is named after its caption (a screen reader would otherwise read the group's title for all).
    Label5->setBuddy(Edit1);
    Label1->setBuddy(DBEdit1);
    Label2->setBuddy(DBEdit2);
    Label4->setBuddy(DBEdit3);

    BitBtn1 = button(TabSheet1, "BitBtn1", QStringLiteral("Input Baru"), {88, 488, 97, 41}, "new_row");
    BitBtn3 = button(TabSheet1, "BitBtn3", QStringLiteral("Hapus Data"), {184, 488, 97, 41}, "delete");
    BitBtn2 = button(TabSheet1, "BitBtn2", QStringLiteral("Ubah Data"), {280, 488, 97, 41}, "edit_row");

    nav = new ui::DBNavigator(TabSheet1);
    nav->setObjectName(QStringLiteral("nav"));
    nav->setGeometry(376, 488, 384, 41);
    const char* navGlyphs[] = {"nav_first", "nav_prior", "nav_next", "nav_last"};
    for (int i = 0; i < 4; ++i)
        nav->button(static_cast<ui::DBNavigator::Button>(i))
            ->setIcon(resources::glyph(QString::fromLatin1(navGlyphs[i])));
    nav->setDataSource(&DataSource2);

    // Placed last, so they lie over the row of buttons and the navigator while shown.
    BitBtn5 = button(TabSheet1, "BitBtn5", QStringLiteral("Simpan"), {88, 488, 337, 41}, "check");
    BitBtn6 = button(TabSheet1, "BitBtn6", QStringLiteral("Batal"), {424, 488, 337, 41}, "cross");
    BitBtn5->setVisible(false);
    BitBtn6->setVisible(false);
}

void TfPeserta::createTableTab() {
    DBGrid1 = new ui::DBGrid(TabSheet2);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setGeometry(24, 56, 793, 457);
    DBGrid1->setRowIndicator(false);
    DBGrid1->setFont(verdana(11, true));
    colour(DBGrid1, QPalette::Text, Qt::black);
    QHeaderView* titles = DBGrid1->horizontalHeader();
    titles->setFont(verdana(11, true));
    titles->setStyleSheet(QStringLiteral("QHeaderView::section { background-color: #53565B; color: white; "
                                         "border: none; border-right: 1px solid #A0A0A0; "
                                         "border-bottom: 1px solid #A0A0A0; padding: 2px 4px; }"));
    DBGrid1->setDataSource(&DataSource2);
    // Opening the cursor makes the columns anew; they come back at the widths last given them.
    connect(DBGrid1->model(), &QAbstractItemModel::modelReset, this, &TfPeserta::restoreGridColumnWidths);
    connect(titles, &QHeaderView::sectionResized, this, [this](int index, int, int size) {
        if (!m_restoringWidths && index >= 0 && index < static_cast<int>(m_gridColumnWidths.size()) && size > 0)
            m_gridColumnWidths[static_cast<std::size_t>(index)] = size;
    });
    restoreGridColumnWidths();

    auto button = [this](const char* name, const QString& caption, QRect geometry) {
        auto* b = new QPushButton(caption, TabSheet2);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(geometry);
        b->setIcon(resources::glyph(QStringLiteral("delete")));
        b->setIconSize(QSize(16, 16));
        b->setAutoDefault(false);
        return b;
    };
    BitBtn7 = button("BitBtn7", QStringLiteral("Hapus Data"), {24, 528, 97, 41});
    BitBtn8 = button("BitBtn8", QStringLiteral("Hapus Semua"), {128, 528, 113, 41});
}

void TfPeserta::restoreGridColumnWidths() {
    QHeaderView* titles = DBGrid1->horizontalHeader();
    const QScopedValueRollback restoring(m_restoringWidths, true);
    for (int i = 0; i < titles->count() && i < static_cast<int>(m_gridColumnWidths.size()); ++i)
        titles->resizeSection(i, m_gridColumnWidths[static_cast<std::size_t>(i)]);
}

void TfPeserta::createUploadTab() {
    ListView1Items = new PreviewModel({QStringLiteral("NO. URUT"), QStringLiteral("NO. UNDIAN"),
                                       QStringLiteral("NAMA PESERTA"), QStringLiteral("NO. HANDPHONE")},
                                      this);
    ListView1 = new QTreeView(TabSheet3);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setGeometry(16, 32, 809, 473);
    ListView1->setRootIsDecorated(false);
    ListView1->setItemsExpandable(false);
    ListView1->setUniformRowHeights(true); // a long preview scrolls without measuring every row
    ListView1->setAllColumnsShowFocus(true);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setModel(ListView1Items);
    ListView1->header()->setStretchLastSection(false);
    ListView1->header()->setSectionsMovable(false);
    const int widths[] = {100, 200, 300, 180};
    for (int i = 0; i < 4; ++i)
        ListView1->header()->resizeSection(i, widths[i]);

    auto speedButton = [this](const char* name, const QString& caption, QRect geometry, const char* glyph) {
        auto* b = new SpeedButton(TabSheet3);
        b->setObjectName(QString::fromLatin1(name));
        b->setText(caption);
        b->setGeometry(geometry);
        b->setIcon(resources::glyph(QString::fromLatin1(glyph)));
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        return b;
    };
    SpeedButton7 = speedButton("SpeedButton7", QStringLiteral("Import"), {16, 528, 185, 57}, "import");
    SpeedButton6 = speedButton("SpeedButton6", QStringLiteral("Upload.."), {208, 528, 185, 57}, "upload");
    SpeedButton6->setEnabled(false);
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
    // Without a WHERE clause SQLite empties the table in one step instead of deleting row by row.
    ADOCommand1.setCommandText("DELETE FROM tb_peserta");
    DTModule->journal.recordChange(record::event::kParticipantsCleared, [this] {
        return QJsonObject{{QStringLiteral("count"), ADOCommand1.execute()}};
    });
    ui::MessageBox::information(QStringLiteral("Data Sudah diHapus"));
    ADOTable3.requery();
}

void TfPeserta::navClick(QObject*, ui::DBNavigator::Button) {
    Edit1->setText(QString::fromStdString(ADOTable3.fieldText(0)));
}
