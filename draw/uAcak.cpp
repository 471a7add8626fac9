#include "draw/uAcak.h"

#include "core/Look.h"
#include "core/Session.h"
#include "core/draw/Draw.h"
#include "core/record/Events.h"
#include "draw/AudienceScreen.h"
#include "draw/KeyDialog.h"
#include "platform/Error.h"
#include "platform/jpeg/JpegImage.h"
#include "platform/text/Quote.h"
#include "platform/ui/ChoiceDialog.h"
#include "platform/ui/DBEdit.h"
#include "platform/ui/DialogKeys.h"
#include "platform/ui/DialogOwner.h"
#include "platform/ui/ErrorHandler.h"
#include "platform/ui/FormKit.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Timer.h"
#include "resources/Glyphs.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QPushButton>
#include <QScopeGuard>
#include <QScopedValueRollback>
#include <QShortcut>
#include <QTextDocument>
#include <QTimer>
#include <QTreeWidget>

TfAcak* fAcak = nullptr;

const QString TfAcak::MarqueeText = program::TitleAndVersion + QStringLiteral(" - Aplikasi ") + program::Title;

namespace {

constexpr int kMarqueeCycle = 42;

// The flat elements beneath the controls, in painting order.
struct Shape {
    QRect rect;
    QColor fill;
    QColor border;
    bool rounded;
};
struct Caption {
    QRect rect;
    QString text;
    QFont font;
    QColor colour;
    Qt::Alignment alignment;
};

// What the operator does with a round stopped and not saved: a round of the keyed draw is not cancelled.
QString saveOrCancel(bool keyed) {
    return keyed ? QStringLiteral("Tekan Simpan untuk menyimpannya; pemenang yang tidak hadir digugurkan dengan Tidak "
                                  "Hadir.")
                 : QStringLiteral("Tekan Simpan untuk menyimpannya atau Batal untuk membatalkannya.");
}

QString inIndonesian(std::size_t number) {
    return QLocale(QLocale::Indonesian, QLocale::Indonesia).toString(static_cast<qulonglong>(number));
}

} // namespace

TfAcak::TfAcak(core::Session& session, QWidget* parent)
    : QWidget(parent), ADOTable1(session.draw().participants()), ADOTable2(session.settings().cursor()),
      m_session(session), m_draw(session.draw()) {
    setObjectName(QStringLiteral("fAcak")); // the form is named after the class, the screen after its instance
    // At start-up Enter or Space presses "Keluar": the screen's focus frame shows the operator why.
    ui::setUpScreen(this, resources::windowIcon(QStringLiteral("acak")), look::screenFont(11), look::Background,
                    [this] { fitOuterSize(); });
    setupUi(this);
    ui::setGlyphs(this, &resources::glyph);

    // The fields the audience reads keep their whole value in view, shrinking the font for a long one.
    for (ui::FittingLineEdit* field : {ed_hadiah, ed_msisdn, Edit2}) {
        field->setFont(look::screenFont(20, true));
        ui::setColour(field, QPalette::Base, Qt::white);
    }
    ui::setColour(ed_hadiah, QPalette::Text, look::Prize);
    ui::setColour(ed_msisdn, QPalette::Text, look::Detail);
    ui::setColour(Edit2, QPalette::Text, look::Detail);
    Edit1->setFont(look::numberFont(60));
    ui::setColour(Edit1, QPalette::Base, Qt::black);
    ui::setColour(Edit1, QPalette::Text, look::Number);
    Memo1->setFont(look::screenFont(20, true));
    ui::setColour(Memo1, QPalette::Text, look::Detail);
    ui::setColour(Memo1, QPalette::Base, Qt::white);
    Memo1->setPlainText(QString(9, QLatin1Char('\n'))); // ten empty lines
    ui::setColour(DBEdit1, QPalette::Base, look::SpeedField);
    // Small text in the bottom band, below its buttons: shown only when the participants table has changed.
    ui::setColour(lbl_daftar, QPalette::WindowText, look::Notice);
    // With a prize plan: its line above the details, and a round of several winners listed over them.
    lbl_putaran->setFont(look::screenFont(14, true));
    cb_hadiah->setFont(look::screenFont(11));
    lst_putaran->setFont(look::screenFont(14, true));
    ui::setColour(lst_putaran, QPalette::Text, look::Detail);
    ui::setColour(lst_putaran, QPalette::Base, Qt::white);

    DataSource1.setDataSet(&ADOTable2);
    DBEdit1->setDataSource(&DataSource1, "speed");
    DBEdit1->setRefusal([](const QString& text) -> std::optional<QString> {
        bool ok = false;
        const int value = text.trimmed().toInt(&ok);
        if (ok && value >= 0) return std::nullopt;
        return QStringLiteral("%1 is not a valid speed: type the milliseconds between two draws, 0 or more")
            .arg(QString::fromStdString(text::quotedForMessage(text.toStdString(), text::Counted::Utf16Units)));
    });

    m_keys = new ui::DialogKeys(this);
    m_keys->addDefaultButton(BitBtn2);
    m_keys->addDefaultButton(BitBtn5);
    m_keys->setCancelButton(BitBtn3);

    Timer1 = new ui::Timer(this, 200, true);
    Timer2 = new ui::Timer(this, 50, false);

    connect(BitBtn1, &QPushButton::clicked, this, &QWidget::close); // closing kind: ends the program
    // "Acak" lies over "Stop": while it shows, the focus given to "Stop" (by Tab, say) goes to it instead.
    btn_stop->setFocusProxy(btn_acak);
    ui::on(btn_acak, &QPushButton::clicked, this, &TfAcak::btn_acakClick);
    ui::on(btn_stop, &QPushButton::clicked, this, &TfAcak::btn_stopClick);
    ui::on(BitBtn4, &QPushButton::clicked, this, &TfAcak::BitBtn4Click);
    ui::on(BitBtn2, &QPushButton::clicked, this, &TfAcak::BitBtn2Click);
    ui::on(BitBtn3, &QPushButton::clicked, this, &TfAcak::BitBtn3Click);
    ui::on(BitBtn5, &QPushButton::clicked, this, &TfAcak::BitBtn5Click);
    ui::on(BitBtn6, &QPushButton::clicked, this, &TfAcak::BitBtn6Click);
    ui::on(BitBtn7, &QPushButton::clicked, this, &TfAcak::BitBtn7Click);
    ui::on(BitBtn8, &QPushButton::clicked, this, &TfAcak::BitBtn8Click);
    ui::on(btn_muatUlang, &QPushButton::clicked, this, &TfAcak::btn_muatUlangClick);
    ui::on(btn_daftarHadiah, &QPushButton::clicked, this, &TfAcak::btn_daftarHadiahClick);
    ui::on(btn_tidakHadir, &QPushButton::clicked, this, &TfAcak::btn_tidakHadirClick);
    connect(cb_hadiah, &QComboBox::activated, this, [this] { ui::guarded([this] { cb_hadiahSelect(cb_hadiah); }); });
    for (const auto& [key, direction] : {std::pair{Qt::Key_PageUp, -1}, std::pair{Qt::Key_PageDown, 1}}) {
        auto* shortcut = new QShortcut(QKeySequence(key), this);
        shortcut->setEnabled(false); // with a plan
        connect(shortcut, &QShortcut::activated, this,
                [this, direction = direction] { ui::guarded([&] { turnPrize(direction); }); });
        m_prizeKeys << shortcut;
    }
    // The plan changed on its own screen, or a winner of it on the winners screen.
    connect(&m_draw, &core::Draw::planChanged, this, [this] { showPlan(); });
    ui::on(Timer1, &ui::Timer::timeout, this, &TfAcak::Timer1Timer);
    ui::on(Timer2, &ui::Timer::timeout, this, &TfAcak::Timer2Timer);
    followTyping();
    auto* audienceKey = new QShortcut(QKeySequence(Qt::Key_F11), this);
    connect(audienceKey, &QShortcut::activated, this, [this] { ui::guarded([this] { toggleAudience(); }); });
}

TfAcak::~TfAcak() = default;

// The detail fields are the operator's as well: what is typed there is what "&Simpan" saves.
void TfAcak::followTyping() {
    // A lambda per field rather than one holding a pointer to the member: GCC's AddressSanitizer reads such a pointer
    // out of bounds when Qt calls the slot.
    connect(ed_msisdn, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!m_showingDetails) m_draw.setNumber(text);
    });
    connect(Edit2, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!m_showingDetails) m_draw.setPhone(text);
    });
    connect(ed_hadiah, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!m_showingDetails) m_draw.setPrize(text);
    });
    connect(Memo1, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_showingDetails) m_draw.setName(memoName());
    });
}

// The name as the field holds it: toPlainText() would turn no-break spaces into plain ones.
QString TfAcak::memoName() const {
    return Memo1->document()->toRawText().replace(QChar::ParagraphSeparator, u'\n');
}

void TfAcak::showDetails() {
    const QScopedValueRollback showing(m_showingDetails, true);
    const DrawDetails& details = m_draw.details();
    if (ed_msisdn->text() != details.number) ed_msisdn->setText(details.number);
    if (memoName() != details.name) {
        Memo1->setPlainText(details.name);
        // The field keeps line breaks its own way (one for CR LF): what is saved is what it shows.
        m_draw.setName(memoName());
    }
    if (Edit2->text() != details.phone) Edit2->setText(details.phone);
    if (ed_hadiah->text() != details.prize) ed_hadiah->setText(details.prize);
    BitBtn2->setEnabled(m_draw.canSave());
    BitBtn3->setEnabled(m_draw.canCancel()); // not for a round of the keyed draw once stopped
    showPlan();
}

namespace {

// "Voucher (12/30)": a prize as the selector lists it, with its winners so far.
QString selectorText(const core::Prize& prize) {
    return QStringLiteral("%1 (%2/%3)").arg(prize.name).arg(prize.drawn).arg(prize.quantity);
}

} // namespace

void TfAcak::showPlan() {
    const bool planned = m_draw.planned();
    const auto& round = m_draw.round();
    lbl_putaran->setVisible(planned);
    cb_hadiah->setVisible(planned);
    BitBtn4->setVisible(!planned); // "Stop" shows the round
    btn_tidakHadir->setVisible(planned);
    ed_hadiah->setReadOnly(planned); // the plan's prize, not typed
    // The keyed draw takes the prizes in urut order: nothing to turn to.
    const bool turns = planned && !m_draw.keyedMode();
    for (QShortcut* key : std::as_const(m_prizeKeys))
        key->setEnabled(turns);
    showRound();
    if (!planned) return;
    if (ed_hadiah->text() != m_draw.details().prize) {
        const QScopedValueRollback showing(m_showingDetails, true);
        ed_hadiah->setText(m_draw.details().prize);
    }

    const core::Prize* current = m_draw.currentPrize();
    const bool unsaved = m_draw.roundUnsaved();
    if (round && round->restored && unsaved)
        lbl_putaran->setText(QStringLiteral("Putaran sebelumnya belum disimpan: %1, %2 pemenang")
                                 .arg(round->prizeName)
                                 .arg(round->standing()));
    else if (!current)
        lbl_putaran->setText(QStringLiteral("Semua hadiah sudah diundi"));
    else
        lbl_putaran->setText(QStringLiteral("%1: %2 dari %3 pemenang, putaran %4 pemenang")
                                 .arg(current->name)
                                 .arg(current->drawn)
                                 .arg(current->quantity)
                                 .arg(round && unsaved ? static_cast<int>(round->standing()) : m_draw.nextRoundSize()));

    const QSignalBlocker quiet(cb_hadiah);
    cb_hadiah->clear();
    for (const core::Prize& prize : m_draw.plan().prizes()) {
        if (prize.open() == 0 && (!current || prize.urut != current->urut)) continue;
        cb_hadiah->addItem(selectorText(prize), QVariant::fromValue(prize.urut));
        if (current && prize.urut == current->urut) cb_hadiah->setCurrentIndex(cb_hadiah->count() - 1);
    }
    // The list opens as wide as its longest prize, wider than the selector itself.
    cb_hadiah->view()->setMinimumWidth(cb_hadiah->view()->sizeHintForColumn(0) + 24);
    cb_hadiah->setEnabled(turns && cb_hadiah->count() > 1 && !m_draw.shuffling() && !unsaved);
    btn_tidakHadir->setEnabled(round && round->standing() > 0 && !m_draw.shuffling());
}

// A round of several winners is listed over the detail fields; a round of one fills them as a draw without a plan.
void TfAcak::showRound() {
    const auto& round = m_draw.round();
    const bool listed = m_draw.planned() && round && round->winners.size() > 1 && !m_draw.shuffling();
    lst_putaran->setVisible(listed);
    // The list takes the place of the fields of one winner.
    for (QWidget* field :
         {static_cast<QWidget*>(ed_msisdn), static_cast<QWidget*>(Memo1), static_cast<QWidget*>(Edit2)})
        field->setVisible(!listed);
    if (!listed) return;
    const int selected = lst_putaran->currentIndex().row();
    lst_putaran->clear();
    for (std::size_t place = 0; place < round->winners.size(); ++place) {
        const core::RoundWinner& winner = round->winners[place];
        auto* item = new QTreeWidgetItem(
            lst_putaran, {QString::number(place + 1), winner.number,
                          winner.forfeited ? winner.name + QStringLiteral(" - TIDAK HADIR") : winner.name});
        if (winner.forfeited) {
            QFont struck = lst_putaran->font();
            struck.setStrikeOut(true);
            for (int column = 0; column < 3; ++column) {
                item->setFont(column, struck);
                item->setForeground(column, Qt::gray);
            }
        }
    }
    lst_putaran->resizeColumnToContents(0);
    lst_putaran->resizeColumnToContents(1);
    if (selected >= 0 && selected < lst_putaran->topLevelItemCount())
        lst_putaran->setCurrentItem(lst_putaran->topLevelItem(selected));
}

void TfAcak::paintEvent(QPaintEvent*) {
    static const Shape before[] = {
        {{0, -1, 1017, 77}, Qt::white, look::BandEdge, false},     // Shape3, top band
        {{72, 192, 857, 393}, look::Panel, look::Band, false},     // Shape2, central panel
        {{0, 104, 1017, 89}, Qt::black, look::DisplayEdge, false}, // Shape1, display band
    };
    static const Shape after[] = {
        {{-16, 616, 1065, 121}, look::Band, look::BandEdge, false}, // Shape5, bottom band
    };
    static const Shape speedBox[] = {
        {{16, 640, 241, 73}, look::Band, Qt::white, true},  // Shape4
        {{92, 632, 89, 17}, look::Band, look::Band, false}, // Shape6, behind the box's title
    };
    const Caption middle[] = {
        {{112, 336, 142, 25}, QStringLiteral("NO. UNDIAN"), look::screenFont(20, true), Qt::black, Qt::AlignLeft},
        {{112, 376, 178, 25}, QStringLiteral("NAMA PESERTA"), look::screenFont(20, true), Qt::black, Qt::AlignLeft},
        {{312, 376, 9, 25}, QStringLiteral(":"), look::screenFont(20), look::Separator, Qt::AlignLeft},
        {{312, 336, 9, 25}, QStringLiteral(":"), look::screenFont(20), look::Separator, Qt::AlignLeft},
        {{112, 496, 94, 25}, QStringLiteral("HADIAH"), look::screenFont(20, true), Qt::black, Qt::AlignLeft},
        {{312, 496, 9, 25}, QStringLiteral(":"), look::screenFont(20), look::Separator, Qt::AlignLeft},
    };
    const Caption late[] = {
        {{0, 16, 981, 40}, look::BannerText, look::screenFont(33, true), look::Banner, Qt::AlignRight},
    };
    const Caption last[] = {
        {{96, 632, 80, 13}, QStringLiteral("Setting Speed"), look::screenFont(11), Qt::white, Qt::AlignLeft},
        {{96, 672, 58, 13}, QStringLiteral("Milisecond"), look::screenFont(11), Qt::white, Qt::AlignLeft},
        {{312, 456, 9, 25}, QStringLiteral(":"), look::screenFont(20), look::Separator, Qt::AlignLeft},
        {{112, 456, 121, 25}, QStringLiteral("NOMOR ID"), look::screenFont(20, true), Qt::black, Qt::AlignLeft},
    };

    QPainter painter(this);
    auto paintShapes = [&](const auto& shapes) {
        for (const Shape& s : shapes) {
            painter.setPen(QPen(s.border, 1));
            painter.setBrush(s.fill);
            const QRect r = s.rect.adjusted(0, 0, -1, -1); // a 1-pixel border inside the given size
            if (s.rounded)
                painter.drawRoundedRect(r, 9, 9);
            else
                painter.drawRect(r);
        }
    };
    auto paintCaptions = [&](const auto& captions) {
        for (const Caption& c : captions) {
            painter.setFont(c.font);
            painter.setPen(c.colour);
            painter.drawText(c.rect, static_cast<int>(c.alignment | Qt::AlignTop | Qt::TextDontClip), c.text);
        }
    };
    paintShapes(before);
    paintCaptions(middle);
    paintShapes(after); // Image1, a child, is painted over all flat elements
    paintCaptions(late);
    paintShapes(speedBox);
    paintCaptions(last);
}

// The outer size is 1024 x 768 whatever the frame; the frame is known only once the window is mapped.
void TfAcak::fitOuterSize() {
    const QSize frame = frameGeometry().size() - geometry().size();
    resize(1024 - frame.width(), 768 - frame.height());
}

void TfAcak::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) FormActivate(this);
}

void TfAcak::closeEvent(QCloseEvent* event) {
    // A slip on "Keluar" must not end the program in front of the hall with a winner drawn and not saved.
    if (m_draw.roundUnsaved()) {
        const ui::DialogOwner owner(this);
        if (!ui::MessageBox::ask(QStringLiteral("Pemenang belum disimpan. Keluar?"))) {
            event->ignore();
            return;
        }
    }
    ui::guarded([this] { m_session.journal().record(record::event::kProgramEnded); });
    QWidget::closeEvent(event);
    QCoreApplication::quit(); // closing the main window ends the program, whatever else is open
}

void TfAcak::FormCreate(QObject*) {
    resize(1016, 734); // the outer 1024 x 768 is settled when the window is first shown
    m_draw.readList();
    m_session.settings().open();
    Timer2->setInterval(m_session.settings().speed());
    m_draw.setSpeed(Timer2->interval());
    m_session.settings().readWinnersOnce();
    m_draw.countParticipants();
    showPlan();
    loadLogo();
    // A round stopped when the program last ended, neither saved nor cancelled, comes back to be saved or cancelled.
    if (m_draw.restoreRound()) {
        const auto& round = *m_draw.round();
        Edit1->setText(round.winners.size() == 1 ? round.winners.front().number
                                                 : QStringLiteral("%1 PEMENANG").arg(round.winners.size()));
        showDetails();
        QTimer::singleShot(0, this, [this] {
            const auto& restored = m_draw.round();
            if (!restored || !m_draw.roundUnsaved()) return;
            const ui::DialogOwner owner(this);
            ui::MessageBox::information(QStringLiteral("Putaran sebelumnya belum disimpan: %1, %2 pemenang. %3")
                                            .arg(restored->prizeName)
                                            .arg(restored->standing())
                                            .arg(saveOrCancel(restored->keyed())));
        });
    }
}

void TfAcak::btn_muatUlangClick(QObject*) {
    switch (m_draw.reloadList()) {
    case core::Draw::Reload::Shuffling:
        ui::MessageBox::information(
            QStringLiteral("Pengacakan sedang berjalan. Tekan Stop dan selesaikan undian ini dulu, lalu muat ulang "
                           "daftar."));
        return;
    case core::Draw::Reload::Unsaved:
        ui::MessageBox::information(
            QStringLiteral("Pemenang belum disimpan. Simpan atau batalkan dulu, lalu muat ulang daftar."));
        return;
    case core::Draw::Reload::Done:
        break;
    }
    // The button hides itself: the keyboard goes on to the draw, never to "Keluar", next in the round.
    if (focusWidget() == btn_muatUlang) focusAcakOrStop();
    lbl_daftar->hide();
    btn_muatUlang->hide();
    ui::MessageBox::information(QStringLiteral("Daftar peserta telah dimuat ulang: %1 peserta dalam undian.")
                                    .arg(inIndonesian(ADOTable1.recordCount())));
}

void TfAcak::setRandom(chance::TickRandom random) {
    m_draw.setRandom(std::move(random));
}

bool TfAcak::winnersOnce() const {
    return m_draw.winnersOnce();
}

void TfAcak::setWinnersOnce(bool on) {
    m_draw.setWinnersOnce(on);
}

void TfAcak::setAudience(AudienceScreen* audience) {
    m_audience = audience;
    m_audience->setConsoleKeys([this](const QKeyEvent& key) { return keyFromAudience(key); });
    ui::DialogOwner::setStandIn(this, m_audience->screenWindow());
}

void TfAcak::toggleAudience() {
    if (!m_audience) return;
    m_audience->setLogo(Image1->pixmap());
    m_audience->toggle();
}

// A key pressed on the audience screen, which covers this screen on a single monitor: the draw's keys act here as
// they would here, so the operator never shows this screen, and its full phone number, to the hall. Space or Enter
// press "Acak" or "Stop", whichever shows; T presses "Tampilkan" once the shuffle has stopped; from then until the
// save the keys type the prize and Enter saves; Alt+S saves; Escape and Alt+B clear. Nothing else of this screen,
// "Keluar" least of all, is within reach there.
bool TfAcak::keyFromAudience(const QKeyEvent& key) {
    const Qt::KeyboardModifiers modifiers = key.modifiers() & ~Qt::KeypadModifier;
    auto press = [&](QPushButton* button) {
        if (!key.isAutoRepeat() && button->isEnabled()) button->click(); // a key held down presses once
        return true;
    };
    if (modifiers == Qt::AltModifier && key.key() == Qt::Key_S) return press(BitBtn2);
    if (modifiers == Qt::AltModifier && key.key() == Qt::Key_B) return press(BitBtn3);
    if (key.key() == Qt::Key_Escape) return press(BitBtn3);
    const bool enter = key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter;
    if (m_draw.planned() && modifiers == Qt::NoModifier) {
        // A round shown: Enter saves it. PageUp and PageDown turn to another prize.
        if (enter && BitBtn2->isEnabled() && !m_draw.shuffling()) return press(BitBtn2);
        if (key.key() == Qt::Key_PageUp || key.key() == Qt::Key_PageDown) {
            const int direction = key.key() == Qt::Key_PageUp ? -1 : 1;
            if (!key.isAutoRepeat()) ui::guarded([&] { turnPrize(direction); });
            return true;
        }
        if (key.key() == Qt::Key_T) return true; // "Stop" shows the round: no "Tampilkan"
    }
    if (focusWidget() == ed_hadiah && BitBtn2->isEnabled() && !m_draw.shuffling()) {
        if (enter) return press(BitBtn2);
        // Tab would move the keyboard out of the prize unseen.
        if (key.key() != Qt::Key_Tab && key.key() != Qt::Key_Backtab) {
            QKeyEvent typed(QEvent::KeyPress, key.key(), key.modifiers(), key.text(), key.isAutoRepeat(), key.count());
            QCoreApplication::sendEvent(ed_hadiah, &typed);
        }
        return true;
    }
    if (modifiers != Qt::NoModifier) return false;
    if (enter || key.key() == Qt::Key_Space) return press(btn_acak->isHidden() ? btn_stop : btn_acak);
    // A slip during the shuffle would show a participant nobody stopped on, and take the next keys for the prize.
    if (key.key() == Qt::Key_T) return m_draw.shuffling() || press(BitBtn4);
    return false;
}

void TfAcak::loadLogo() {
    const jpeg::JpegImage logo = jpeg::decodeJpegFile(QDir::toNativeSeparators(m_session.logoPath()).toStdString());
    QImage image(logo.rgb.data(), logo.width, logo.height, logo.width * 3, QImage::Format_RGB888);
    Image1->setPixmap(QPixmap::fromImage(image.copy()));
    Image1->setGeometry(10, 8, logo.width, logo.height);
}

void TfAcak::btn_acakClick(QObject*) {
    const core::Draw::Start start = m_draw.start();
    if (start != core::Draw::Start::Started) {
        showPlan(); // the plan as the draw read it now
        sayStartRefused(static_cast<int>(start));
        return;
    }
    showDetails();
    Timer2->setEnabled(true);
    showAcak(false);
}

void TfAcak::sayStartRefused(int refusal) {
    switch (static_cast<core::Draw::Start>(refusal)) {
    case core::Draw::Start::NoParticipants:
        ui::MessageBox::information(QStringLiteral("Tidak ada peserta yang dapat diundi. Isi daftar peserta lewat "
                                                   "Lihat Peserta, lalu tekan Muat Ulang Daftar."));
        return;
    case core::Draw::Start::EveryoneHasWon:
        sayEveryoneHasWon();
        return;
    case core::Draw::Start::RoundUnsaved:
        ui::MessageBox::information(
            m_draw.round() && m_draw.round()->keyed()
                ? QStringLiteral(
                      "Putaran ini belum disimpan. Tekan Simpan untuk menyimpannya, lalu Acak lagi; pemenang "
                      "yang tidak hadir digugurkan dengan Tidak Hadir.")
                : QStringLiteral("Putaran ini belum disimpan. Tekan Simpan untuk menyimpannya atau Batal untuk "
                                 "membatalkannya, lalu Acak lagi."));
        return;
    case core::Draw::Start::PlanComplete:
        ui::MessageBox::information(
            QStringLiteral("Semua hadiah sudah diundi: tidak ada lagi tempat pemenang yang kosong di Daftar Hadiah."));
        return;
    case core::Draw::Start::NobodyForPrize:
        ui::MessageBox::information(QStringLiteral("Tidak ada lagi peserta yang dapat memenangkan %1.")
                                        .arg(m_draw.currentPrize() ? m_draw.currentPrize()->name : QString()));
        return;
    case core::Draw::Start::KeyMissing:
        askKey();
        return;
    case core::Draw::Start::SealBroken:
        ui::MessageBox::information(m_draw.keyed().broken().value_or(
            QStringLiteral("Daftar peserta/daftar hadiah berubah sejak disegel: daftar hadiah yang disegel tidak ada "
                           "lagi.")));
        return;
    case core::Draw::Start::TooFewForRound:
        ui::MessageBox::information(
            QStringLiteral("Tinggal %1 peserta yang dapat memenangkan %2, kurang dari %3 pemenang putaran ini: undian "
                           "terverifikasi tidak dapat mengundi putaran ini.")
                .arg(m_draw.mayStillWin())
                .arg(m_draw.currentPrize() ? m_draw.currentPrize()->name : QString())
                .arg(m_draw.currentPrize() ? m_draw.currentPrize()->roundSize() : 0));
        return;
    case core::Draw::Start::Started:
        return;
    }
}

// The keyed draw's key, before its first round: the values typed, shown back as the key takes them, confirmed, fixed.
void TfAcak::askKey() {
    const auto& seal = m_draw.keyed().seal();
    if (!seal) return;
    const auto values = KeyDialog::ask(*seal);
    if (!values) return;
    if (!ui::MessageBox::ask(QStringLiteral("Tetapkan kunci undian dari nilai-nilai ini? Kunci tidak dapat diubah "
                                            "lagi.\n\n%1")
                                 .arg(KeyDialog::asUsed(*seal, *values))))
        return;
    const verifiable::FixedKey key = m_draw.fixKey(values->publicValues, values->witnessValues);
    ui::MessageBox::information(
        QStringLiteral("Kunci undian telah ditetapkan: %1. Layar penonton menampilkan nilai-nilai "
                       "dan kuncinya. Tekan Acak untuk memulai putaran pertama.")
            .arg(key.shortKey()));
}

void TfAcak::sayEveryoneHasWon() {
    ui::MessageBox::information(QStringLiteral("Semua peserta sudah menang: tidak ada lagi yang dapat diundi."));
}

void TfAcak::Timer2Timer(QObject*) {
    switch (m_draw.tick()) {
    case core::Draw::Tick::Shown:
        Edit1->setText(m_draw.shownNumber());
        return;
    case core::Draw::Tick::EveryoneHasWon:
        Timer2->setEnabled(false);
        showAcak(true);
        sayEveryoneHasWon();
        return;
    case core::Draw::Tick::NoList:
        Timer2->setEnabled(false);
        m_draw.reportNoList();
        return;
    }
}

// "Acak" and "Stop" share one place, "Acak" lying over "Stop". The focus on that place is on the button showing, so
// Space or Enter there presses what a click there would: never the "Stop" hidden beneath "Acak", which would record
// another stop on the participant already drawn.
void TfAcak::showAcak(bool shown) {
    const bool focusHere = focusWidget() == btn_acak || focusWidget() == btn_stop;
    btn_stop->setFocusProxy(shown ? btn_acak : nullptr);
    btn_acak->setVisible(shown);
    if (focusHere) focusAcakOrStop();
}

// The keyboard goes to the next draw: Space or Enter then presses "Acak" (or "Stop" while the shuffle runs).
void TfAcak::focusAcakOrStop() {
    if (btn_acak->isHidden())
        btn_stop->setFocus();
    else
        btn_acak->setFocus();
}

void TfAcak::btn_stopClick(QObject*) {
    showAcak(true);
    Timer2->setEnabled(false);
    m_draw.stop();
    if (const auto& round = m_draw.round()) {
        // With a plan "Stop" shows the round at once; Enter then saves it.
        Edit1->setText(round->winners.size() == 1 ? m_draw.shownNumber()
                                                  : QStringLiteral("%1 PEMENANG").arg(round->winners.size()));
        showDetails();
        if (focusWidget() == btn_acak || focusWidget() == btn_stop) BitBtn2->setFocus();
    }
}

void TfAcak::BitBtn4Click(QObject*) {
    // The details show even when their journal entry cannot be written (the error says why).
    const auto shown = qScopeGuard([this] { showDetails(); });
    m_draw.show();
    // The prize comes next: typing replaces the last one, Enter saves.
    ed_hadiah->setFocus();
    ed_hadiah->selectAll();
}

void TfAcak::BitBtn2Click(QObject*) {
    // "&Simpan" and "&Batal" are disabled before anything that can fail.
    const auto shown = qScopeGuard([this] { showDetails(); });
    m_draw.save();
    focusAcakOrStop();
    ui::MessageBox::information(QStringLiteral("Data Sudah Disimpan"));
}

void TfAcak::BitBtn3Click(QObject*) {
    const auto shown = qScopeGuard([this] { showDetails(); });
    m_draw.cancel();
    focusAcakOrStop(); // an absent winner: the next draw is a key away
}

void TfAcak::BitBtn5Click(QObject*) {
    m_session.settings().reread();
    Timer2->setEnabled(false);
    Timer2->setInterval(m_session.settings().speed());
    m_draw.setSpeed(Timer2->interval());
    ui::MessageBox::information(QStringLiteral("Kecepatan telah di ubah"));
}

void TfAcak::Timer1Timer(QObject*) {
    ++m_marqueeCounter;
    if (m_marqueeCounter <= MarqueeText.size()) setWindowTitle(windowTitle() + MarqueeText.at(m_marqueeCounter - 1));
    if (m_marqueeCounter == kMarqueeCycle) {
        m_marqueeCounter = 0;
        setWindowTitle(QString());
    }
}

void TfAcak::BitBtn6Click(QObject*) {
    emit winnersScreenWanted();
}

void TfAcak::BitBtn7Click(QObject*) {
    emit participantsScreenWanted();
}

void TfAcak::btn_daftarHadiahClick(QObject*) {
    emit planScreenWanted();
}

void TfAcak::cb_hadiahSelect(QObject*) {
    const auto urut = cb_hadiah->currentData().value<std::int64_t>();
    if (m_draw.currentPrize() && m_draw.currentPrize()->urut == urut) return;
    m_draw.choosePrize(urut);
    showDetails();
}

void TfAcak::turnPrize(int direction) {
    m_draw.turnPrize(direction);
    showDetails();
}

// "Tidak Hadir": the winner (of a round of several, the one selected in the list) forfeits the prize, with a reason.
void TfAcak::btn_tidakHadirClick(QObject*) {
    const auto& round = m_draw.round();
    if (!round) return;
    std::size_t place = 0;
    if (round->winners.size() > 1) {
        const int selected = lst_putaran->currentIndex().row();
        if (selected < 0) {
            ui::MessageBox::information(
                QStringLiteral("Pilih dulu pemenang yang tidak hadir di daftar pemenang putaran ini."));
            lst_putaran->setFocus();
            return;
        }
        place = static_cast<std::size_t>(selected);
    }
    const core::RoundWinner& winner = round->winners[place];
    if (winner.forfeited) return;
    const auto reason = ui::ChoiceDialog::ask(
        {QStringLiteral("Tidak Hadir"),
         QStringLiteral("%1 (%2) gugur sebagai pemenang %3, dan tempatnya diundi lagi. Alasannya:")
             .arg(winner.name, winner.number, round->prizeName),
         core::PrizePlan::reasons(), QStringLiteral("alasan lain:")});
    if (!reason) return;
    const auto shown = qScopeGuard([this] { showDetails(); });
    m_draw.forfeit(place, *reason);
}

void TfAcak::BitBtn8Click(QObject*) {
    const std::size_t participants = ADOTable1.active() ? ADOTable1.recordCount() : 0;
    QString about = QStringLiteral("%1\nAplikasi undian berhadiah\n\nPeserta dalam undian ini: %2")
                        .arg(program::TitleAndVersion)
                        .arg(participants);
    if (const auto won = m_draw.alreadyWon())
        about += QStringLiteral("\n%1 peserta, %2 sudah menang").arg(m_draw.participantCount()).arg(*won);
    if (m_draw.planned()) {
        std::int64_t drawn = 0, quantity = 0;
        for (const core::Prize& prize : m_draw.plan().prizes()) {
            drawn += prize.drawn;
            quantity += prize.quantity;
        }
        about += QStringLiteral("\nDaftar hadiah: %1 hadiah, %2 dari %3 pemenang sudah diundi")
                     .arg(m_draw.plan().prizes().size())
                     .arg(drawn)
                     .arg(quantity);
    }
    if (const QString fingerprint = m_draw.shortFingerprint(); !fingerprint.isEmpty())
        about += QStringLiteral("\nSidik jari daftar peserta: %1").arg(fingerprint);
    if (m_draw.keyedMode())
        about += m_draw.keyed().key()
                     ? QStringLiteral("\nUndian Terverifikasi: kunci undian %1").arg(m_draw.keyed().key()->shortKey())
                     : QStringLiteral("\nUndian Terverifikasi: disegel, kunci undian belum ditetapkan");
    about += QStringLiteral("\n\nF11: layar penonton (buka/tutup)");
    about += QStringLiteral("\nDi layar penonton pada monitor yang sama: Spasi/Enter Acak atau Stop, T Tampilkan, "
                            "ketik hadiah lalu Enter atau Alt+S Simpan, Esc Batal");
    if (m_draw.planned()) about += QStringLiteral("\nDengan daftar hadiah: PageUp/PageDown hadiah lain, Enter Simpan");
    ui::MessageBox::plain(about);
}

void TfAcak::FormActivate(QObject*) {
    m_draw.refreshPlan(); // changed on its own screen, or by another copy of the program
    showPlan();
    const auto change = m_draw.listChange();
    if (!change) return;
    lbl_daftar->setVisible(change->changed);
    btn_muatUlang->setVisible(change->changed);
    if (!change->changed) return;
    lbl_daftar->setText(QStringLiteral("Daftar peserta telah berubah sejak dimuat: %1 peserta dalam undian ini, %2 di "
                                       "tabel. Tekan Muat Ulang Daftar untuk mengundi daftar yang baru.")
                            .arg(inIndonesian(change->inDraw), inIndonesian(change->inTable)));
}
