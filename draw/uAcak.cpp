#include "draw/uAcak.h"

#include "app/Program.h"
#include "core/Schema.h"
#include "core/record/Events.h"
#include "data/uData.h"
#include "draw/uPenonton.h"
#include "participants/uPeserta.h"
#include "platform/Error.h"
#include "platform/jpeg/JpegImage.h"
#include "platform/text/Quote.h"
#include "platform/ui/DBEdit.h"
#include "platform/ui/DialogKeys.h"
#include "platform/ui/ErrorHandler.h"
#include "platform/ui/FormKit.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Timer.h"
#include "resources/Glyphs.h"
#include "winners/uPemenang.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QJsonArray>
#include <QJsonObject>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QTextDocument>

TfAcak* fAcak = nullptr;

const QString TfAcak::MarqueeText = program::TitleAndVersion + QStringLiteral(" - Aplikasi ") + program::Title;
const QString TfAcak::BannerText = QStringLiteral("Tombolika Application");

namespace {

constexpr int kMarqueeCycle = 42;

QFont verdana(int pixels, bool bold = false) {
    return ui::pixelFont(QStringLiteral("Verdana"), pixels, bold);
}

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

const QColor kBand(0x53, 0x56, 0x5B);
const QColor kTeal(0x8A, 0xC9, 0xCE);
const QColor kSeparator(0x00, 0x40, 0x80);

} // namespace

TfAcak::TfAcak(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("fAcak")); // the form is named after the class, the screen after its instance
    // At start-up Enter or Space presses "Keluar": the screen's focus frame shows the operator why.
    ui::setUpScreen(this, resources::windowIcon(QStringLiteral("acak")), verdana(11), QColor(0xF5, 0xFF, 0xDF),
                    [this] { fitOuterSize(); });
    m_audience = std::make_unique<TfPenonton>(this, BannerText);
    m_observer = m_audience.get();
    m_audience->setConsoleKeys([this](const QKeyEvent& key) { return keyFromAudience(key); });
    ui::DialogOwner::setStandIn(this, m_audience.get());
    setupUi(this);
    ui::setGlyphs(this, &resources::glyph);

    // The fields the audience reads keep their whole value in view, shrinking the font for a long one.
    for (ui::FittingLineEdit* field : {ed_hadiah, ed_msisdn, Edit2}) {
        field->setFont(verdana(20, true));
        ui::setColour(field, QPalette::Base, Qt::white);
    }
    ui::setColour(ed_hadiah, QPalette::Text, QColor(0x00, 0x80, 0xFF));
    ui::setColour(ed_msisdn, QPalette::Text, QColor(0xFF, 0x80, 0x00));
    ui::setColour(Edit2, QPalette::Text, QColor(0xFF, 0x80, 0x00));
    Edit1->setFont(ui::pixelFont(QStringLiteral("Bookman Old Style"), 60, true));
    ui::setColour(Edit1, QPalette::Base, Qt::black);
    ui::setColour(Edit1, QPalette::Text, QColor(0x00, 0xFF, 0x00));
    Memo1->setFont(verdana(20, true));
    ui::setColour(Memo1, QPalette::Text, QColor(0xFF, 0x80, 0x00));
    ui::setColour(Memo1, QPalette::Base, Qt::white);
    Memo1->setPlainText(QString(9, QLatin1Char('\n'))); // ten empty lines
    ui::setColour(DBEdit1, QPalette::Base, QColor(0xC0, 0xC0, 0xC0));
    // Small text in the bottom band, below its buttons: shown only when the participants table has changed.
    ui::setColour(lbl_daftar, QPalette::WindowText, QColor(0xFF, 0xFF, 0x80));

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
    ui::on(Timer1, &ui::Timer::timeout, this, &TfAcak::Timer1Timer);
    ui::on(Timer2, &ui::Timer::timeout, this, &TfAcak::Timer2Timer);
    connect(ed_hadiah, &QLineEdit::textChanged, this, [this](const QString& prize) { m_observer->prizeTyped(prize); });
    auto* audienceKey = new QShortcut(QKeySequence(Qt::Key_F11), this);
    connect(audienceKey, &QShortcut::activated, this, [this] { ui::guarded([this] { toggleAudience(); }); });
}

TfAcak::~TfAcak() = default;

void TfAcak::paintEvent(QPaintEvent*) {
    static const Shape before[] = {
        {{0, -1, 1017, 77}, Qt::white, kTeal, false},                     // Shape3, top band
        {{72, 192, 857, 393}, QColor(0xF1, 0xF1, 0xEF), kBand, false},    // Shape2, central panel
        {{0, 104, 1017, 89}, Qt::black, QColor(0x00, 0x80, 0x40), false}, // Shape1, display band
    };
    static const Shape after[] = {
        {{-16, 616, 1065, 121}, kBand, kTeal, false}, // Shape5, bottom band
    };
    static const Shape speedBox[] = {
        {{16, 640, 241, 73}, kBand, Qt::white, true}, // Shape4
        {{92, 632, 89, 17}, kBand, kBand, false},     // Shape6, behind the box's title
    };
    const Caption middle[] = {
        {{112, 336, 142, 25}, QStringLiteral("NO. UNDIAN"), verdana(20, true), Qt::black, Qt::AlignLeft},
        {{112, 376, 178, 25}, QStringLiteral("NAMA PESERTA"), verdana(20, true), Qt::black, Qt::AlignLeft},
        {{312, 376, 9, 25}, QStringLiteral(":"), verdana(20), kSeparator, Qt::AlignLeft},
        {{312, 336, 9, 25}, QStringLiteral(":"), verdana(20), kSeparator, Qt::AlignLeft},
        {{112, 496, 94, 25}, QStringLiteral("HADIAH"), verdana(20, true), Qt::black, Qt::AlignLeft},
        {{312, 496, 9, 25}, QStringLiteral(":"), verdana(20), kSeparator, Qt::AlignLeft},
    };
    const Caption late[] = {
        {{0, 16, 981, 40}, BannerText, verdana(33, true), QColor(0x7C, 0xB9, 0x00), Qt::AlignRight},
    };
    const Caption last[] = {
        {{96, 632, 80, 13}, QStringLiteral("Setting Speed"), verdana(11), Qt::white, Qt::AlignLeft},
        {{96, 672, 58, 13}, QStringLiteral("Milisecond"), verdana(11), Qt::white, Qt::AlignLeft},
        {{312, 456, 9, 25}, QStringLiteral(":"), verdana(20), kSeparator, Qt::AlignLeft},
        {{112, 456, 121, 25}, QStringLiteral("NOMOR ID"), verdana(20, true), Qt::black, Qt::AlignLeft},
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
    if (m_round.unsaved()) {
        const ui::DialogOwner owner(this);
        if (!ui::MessageBox::ask(QStringLiteral("Pemenang belum disimpan. Keluar?"))) {
            event->ignore();
            return;
        }
    }
    ui::guarded([] { DTModule->journal.record(record::event::kProgramEnded); });
    QWidget::closeEvent(event);
    QCoreApplication::quit(); // closing the main window ends the program, whatever else is open
}

int TfAcak::speedOf(db::TableCursor& settings) {
    const std::string text = settings.fieldText("speed");
    if (settings.recordCount() == 0 || text.empty()) throw platform::Error("The setup table holds no speed");
    const auto speed = settings.fieldInt("speed");
    if (speed < 0 || speed > 0x7fffffff) throw platform::Error("'" + text + "' is not a valid speed");
    return static_cast<int>(speed);
}

void TfAcak::FormCreate(QObject*) {
    resize(1016, 734); // the outer 1024 x 768 is settled when the window is first shown
    ADOCommand1.setConnection(&DTModule->cn);
    ADOTable1.setConnection(&DTModule->cn);
    ADOTable1.setTableName("tb_peserta");
    ADOTable2.setTableName("setup");
    DTModule->journal.setRunStart([this] { return runStart(); });
    readList();
    ADOTable2.setConnection(&DTModule->cn);
    ADOTable2.open();
    Timer2->setInterval(speedOf(ADOTable2));
    readWinnersOnce();
    loadLogo();
}

// Reads the participants drawn from and seals them: at start-up, and again for "Muat Ulang Daftar".
void TfAcak::readList() {
    SealedList1.markBeforeRead(DTModule->cn);
    ADOTable1.open();
    ADOTable1.prepareOrder(0); // the draw picks by rank of ID; sort once now, not at the first tick
    m_eligible.setParticipants(&ADOTable1);
    m_eligible.readWinners(DTModule->cn); // who has won, as the list is read
    countParticipants();
    // The fingerprint is taken on a thread of its own; the run's first journal entry follows as soon as it is done.
    SealedList1.seal(ADOTable1, [this] {
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_observer->listSealed(SealedList1.count(), shortFingerprint());
                DTModule->journal.startQuietly();
            },
            Qt::QueuedConnection);
    });
}

// "Muat Ulang Daftar": the draw takes the participants table as it is now, sealed and recorded as a start would,
// without a restart. Not while a shuffle runs or a winner is drawn or shown and not yet saved: that round belongs to
// the list it was drawn from.
void TfAcak::btn_muatUlangClick(QObject*) {
    if (m_round.shuffling()) {
        ui::MessageBox::information(
            QStringLiteral("Pengacakan sedang berjalan. Tekan Stop dan selesaikan undian ini dulu, lalu muat ulang "
                           "daftar."));
        return;
    }
    if (m_round.unsaved()) {
        ui::MessageBox::information(
            QStringLiteral("Pemenang belum disimpan. Simpan atau batalkan dulu, lalu muat ulang daftar."));
        return;
    }
    DTModule->journal.ensureStarted(); // the run's start names the list drawn from until now
    // The fingerprint's thread reads the rows the cursor holds: it is done with them before they are read again.
    SealedList1.join();
    ADOTable1.close();
    m_lastRank.reset();
    m_closedReported = false;
    readList();
    lbl_daftar->hide();
    btn_muatUlang->hide();
    DTModule->journal.recordListReloaded(SealedList1.runStart().details); // waits for the fingerprint
    const QLocale indonesian(QLocale::Indonesian, QLocale::Indonesia);
    ui::MessageBox::information(QStringLiteral("Daftar peserta telah dimuat ulang: %1 peserta dalam undian.")
                                    .arg(indonesian.toString(static_cast<qulonglong>(ADOTable1.recordCount()))));
}

void TfAcak::readWinnersOnce() {
    try {
        m_winnersOnce = ADOTable2.fieldInt(schema::kWinnersOnceColumn) == 1;
    } catch (const platform::Error&) {
        m_winnersOnce = false; // a file that could not be given the setting: off, and saying why when switched
    }
    countParticipants();
}

void TfAcak::setWinnersOnce(bool on) {
    if (on) m_eligible.checkKnown();
    int column = -1;
    try {
        column = ADOTable2.fieldIndex(schema::kWinnersOnceColumn);
    } catch (const platform::Error&) {
        ADOTable2.checkActive();
        throw platform::Error(std::string("The setting cannot be stored: the setup table has no column ") +
                              schema::kWinnersOnceColumn +
                              ", which the program adds at start-up when the database can be written");
    }
    ADOTable2.storeField(column, on ? "1" : "0");
    m_winnersOnce = on;
    countParticipants();
}

void TfAcak::countParticipants() {
    // With winners not drawn again, who is still in is worked out here rather than at the next tick.
    const std::size_t participants = m_eligible.participants();
    m_observer->participantsCounted(participants, m_winnersOnce && m_eligible.known()
                                                      ? std::optional<std::size_t>(participants - m_eligible.eligible())
                                                      : std::nullopt);
}

void TfAcak::toggleAudience() {
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
    if (focusWidget() == ed_hadiah && BitBtn2->isEnabled() && !m_round.shuffling()) {
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
    if (key.key() == Qt::Key_T) return m_round.shuffling() || press(BitBtn4);
    return false;
}

void TfAcak::loadLogo() {
    const QString path = QDir(TDTModule::logoDirectory()).absoluteFilePath(QStringLiteral("LOGO.JPG"));
    const jpeg::JpegImage logo = jpeg::decodeJpegFile(QDir::toNativeSeparators(path).toStdString());
    QImage image(logo.rgb.data(), logo.width, logo.height, logo.width * 3, QImage::Format_RGB888);
    Image1->setPixmap(QPixmap::fromImage(image.copy()));
    Image1->setGeometry(10, 8, logo.width, logo.height);
}

void TfAcak::btn_acakClick(QObject*) {
    ADOTable1.checkActive(); // without participants there is nothing to shuffle
    if (ADOTable1.recordCount() == 0) {
        ui::MessageBox::information(QStringLiteral("Tidak ada peserta yang dapat diundi. Isi daftar peserta lewat "
                                                   "Lihat Peserta, lalu tekan Muat Ulang Daftar."));
        return;
    }
    if (m_winnersOnce) {
        m_eligible.checkKnown();
        if (m_eligible.participants() > 0 && m_eligible.eligible() == 0) {
            sayEveryoneHasWon();
            return;
        }
    }
    ed_msisdn->clear();
    Memo1->clear();
    Timer2->setEnabled(true);
    showAcak(false);
    m_round.shuffleStarted();
    m_observer->shuffleStarted();
}

void TfAcak::sayEveryoneHasWon() {
    ui::MessageBox::information(QStringLiteral("Semua peserta sudah menang: tidak ada lagi yang dapat diundi."));
}

void TfAcak::Timer2Timer(QObject*) {
    if (!ADOTable1.active()) {
        Timer2->setEnabled(false);
        if (!m_closedReported) {
            m_closedReported = true;
            ADOTable1.checkActive();
        }
        return;
    }
    const std::size_t n = ADOTable1.recordCount();
    m_random.reseed();
    if (m_winnersOnce) {
        // Winners are not drawn again: every participant still in has the same chance.
        const std::size_t left = m_eligible.eligible();
        if (left == 0 && m_eligible.participants() > 0) {
            // The last one still in has won meanwhile, or the setting was switched on: the shuffle stops as "Acak"
            // would have refused it, rather than stay on someone who has won.
            Timer2->setEnabled(false);
            showAcak(true);
            m_round.shuffleEnded();
            m_lastRank.reset();
            sayEveryoneHasWon();
            return;
        }
        if (left > 0) {
            const std::size_t rank = m_eligible.rankAt(static_cast<std::size_t>(m_random.uniform(left) - 1));
            ADOTable1.moveToRank(0, rank);
            m_lastRank = rank + 1;
        }
    } else if (n >= 1) {
        // Every participant has the same chance: the r-th in ascending order of ID, whatever the numbering.
        const std::uint64_t r = m_random.uniform(n);
        ADOTable1.moveToRank(0, static_cast<std::size_t>(r - 1));
        m_lastRank = r;
    }
    Edit1->setText(QString::fromStdString(ADOTable1.fieldText(1)));
    m_observer->numberShown(Edit1->text());
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
    m_round.stopped();
    QJsonObject stop = selectedParticipant();
    stop[QStringLiteral("n")] = static_cast<double>(ADOTable1.active() ? ADOTable1.recordCount() : 0);
    stop[QStringLiteral("rank")] = m_lastRank ? QJsonValue(static_cast<double>(*m_lastRank)) : QJsonValue();
    // With winners not drawn again, the pick was among those still in.
    if (m_winnersOnce) stop[QStringLiteral("eligible")] = static_cast<double>(m_eligible.eligible());
    stop.remove(QStringLiteral("nama"));
    DTModule->journal.record(record::event::kStop, stop);
}

void TfAcak::BitBtn4Click(QObject*) {
    ed_msisdn->setText(QString::fromStdString(ADOTable1.fieldText(1)));
    Memo1->setPlainText(QString::fromStdString(ADOTable1.fieldText(2)));
    Edit2->setText(QString::fromStdString(ADOTable1.fieldText(3)));
    BitBtn2->setEnabled(true);
    BitBtn3->setEnabled(true);
    m_round.shown();
    // The prize comes next: typing replaces the last one, Enter saves.
    ed_hadiah->setFocus();
    ed_hadiah->selectAll();
    m_observer->detailsShown({ed_msisdn->text(), Memo1->toPlainText(), Edit2->text(), ed_hadiah->text()});
    DTModule->journal.record(record::event::kShow, selectedParticipant());
}

void TfAcak::BitBtn2Click(QObject*) {
    BitBtn2->setEnabled(false);
    BitBtn3->setEnabled(false);
    // The texts go in as parameters: quotes, commas and line breaks are stored exactly as typed.
    ADOCommand1.setCommandText("insert into tb_pemenang values(?,?,?)");
    // The name as it stands: toPlainText() would turn no-break spaces into plain ones.
    const QString name = Memo1->document()->toRawText().replace(QChar::ParagraphSeparator, u'\n');
    ADOCommand1.setParameters({ed_msisdn->text().toStdString(), name.toStdString(), ed_hadiah->text().toStdString()});
    // The winner's row and its journal entry go in one transaction: both or neither.
    DTModule->journal.recordChange(record::event::kWinnerSaved, [&] {
        ADOCommand1.execute();
        return QJsonObject{{QStringLiteral("rowid"), static_cast<double>(DTModule->cn.lastInsertRowid())},
                           {QStringLiteral("values"), QJsonArray{ed_msisdn->text(), name, ed_hadiah->text()}}};
    });
    m_round.closed();
    winnerStored(ed_msisdn->text(), name, ed_hadiah->text());
    focusAcakOrStop();
    ui::MessageBox::information(QStringLiteral("Data Sudah Disimpan"));
}

void TfAcak::winnerStored(const QString& number, const QString& name, const QString& prize) {
    m_eligible.winnerSaved(number.toStdString()); // that draw number leaves the draw at once
    m_observer->winnerSaved({number, name, Edit2->text(), prize});
    if (m_winnersOnce) countParticipants();
}

void TfAcak::BitBtn3Click(QObject*) {
    const QJsonArray cleared{ed_msisdn->text(), Memo1->toPlainText(), ed_hadiah->text()};
    ed_msisdn->clear();
    Memo1->clear();
    ed_hadiah->clear();
    Edit2->clear();
    BitBtn2->setEnabled(false);
    BitBtn3->setEnabled(false);
    m_round.closed();
    m_observer->detailsCleared();
    focusAcakOrStop(); // an absent winner: the next draw is a key away
    DTModule->journal.record(record::event::kCancel, {{QStringLiteral("values"), cleared}});
}

void TfAcak::BitBtn5Click(QObject*) {
    ADOTable2.requery();
    Timer2->setEnabled(false);
    Timer2->setInterval(speedOf(ADOTable2));
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
    fPemenang->CheckBox1->setChecked(m_winnersOnce);
    fPemenang->show();
    fPemenang->raise();
    fPemenang->activateWindow();
    // An error opening its table shows above the screen it belongs to, which stays on top of this one.
    ui::guarded(fPemenang, [] {
        fPemenang->ADOTable1.setConnection(&DTModule->cn);
        fPemenang->ADOTable1.close();
        fPemenang->ADOTable1.open();
    });
}

void TfAcak::BitBtn7Click(QObject*) {
    fPeserta->show();
    fPeserta->raise();
    fPeserta->activateWindow();
    // An error opening its table shows above the screen it belongs to, which stays on top of this one.
    ui::guarded(fPeserta, [] {
        fPeserta->ADOTable3.setConnection(&DTModule->cn);
        fPeserta->ADOTable3.close();
        fPeserta->ADOTable3.open();
    });
}

// The list's seal as the operator and the hall read it: the first 16 hex digits in groups of four; the journal
// and the minutes carry it whole.
// Empty when the fingerprint could not be taken: the run's first journal entry says why.
QString TfAcak::shortFingerprint() const {
    QString fingerprint;
    try {
        fingerprint = QString::fromStdString(SealedList1.fingerprint().sha256);
    } catch (const std::exception&) {
        return {};
    }
    QStringList groups;
    for (int i = 0; i < 16; i += 4)
        groups << fingerprint.mid(i, 4);
    return groups.join(QLatin1Char(' '));
}

void TfAcak::BitBtn8Click(QObject*) {
    const std::size_t participants = ADOTable1.active() ? ADOTable1.recordCount() : 0;
    QString about = QStringLiteral("%1\nAplikasi undian berhadiah\n\nPeserta dalam undian ini: %2")
                        .arg(program::TitleAndVersion)
                        .arg(participants);
    if (m_winnersOnce && m_eligible.known())
        about += QStringLiteral("\n%1 peserta, %2 sudah menang")
                     .arg(m_eligible.participants())
                     .arg(m_eligible.participants() - m_eligible.eligible());
    if (const QString fingerprint = SealedList1.sealed() ? shortFingerprint() : QString(); !fingerprint.isEmpty())
        about += QStringLiteral("\nSidik jari daftar peserta: %1").arg(fingerprint);
    about += QStringLiteral("\n\nF11: layar penonton (buka/tutup)");
    about += QStringLiteral("\nDi layar penonton pada monitor yang sama: Spasi/Enter Acak atau Stop, T Tampilkan, "
                            "ketik hadiah lalu Enter atau Alt+S Simpan, Esc Batal");
    ui::MessageBox::plain(about);
}

void TfAcak::FormActivate(QObject*) {
    if (!SealedList1.sealed()) return;
    // A line of information: when the database cannot answer now, the line stays as it was.
    try {
        const auto change = SealedList1.changeSince(DTModule->cn);
        lbl_daftar->setVisible(change.changed);
        btn_muatUlang->setVisible(change.changed);
        if (!change.changed) return;
        const QLocale indonesian(QLocale::Indonesian, QLocale::Indonesia);
        lbl_daftar->setText(QStringLiteral("Daftar peserta telah berubah sejak dimuat: %1 peserta dalam undian ini, "
                                           "%2 di tabel. Tekan Muat Ulang Daftar untuk mengundi daftar yang baru.")
                                .arg(indonesian.toString(static_cast<qulonglong>(change.inDraw)),
                                     indonesian.toString(static_cast<qulonglong>(change.inTable))));
    } catch (const platform::Error&) {
    }
}

record::Journal::RunStart TfAcak::runStart() const {
    record::Journal::RunStart start = SealedList1.runStart();
    start.details[QStringLiteral("program")] = program::Title;
    start.details[QStringLiteral("version")] = program::Version;
    start.details[QStringLiteral("speed")] = Timer2->interval();
    return start;
}

// The participant the cursor stands on, as the journal names it; nothing when there is no list.
QJsonObject TfAcak::selectedParticipant() const {
    if (!ADOTable1.active() || ADOTable1.recordCount() == 0) return {};
    return {{QStringLiteral("id"), QString::fromStdString(ADOTable1.fieldText(0))},
            {QStringLiteral("no_undian"), QString::fromStdString(ADOTable1.fieldText(1))},
            {QStringLiteral("nama"), QString::fromStdString(ADOTable1.fieldText(2))}};
}
