#include "draw/uPenonton.h"

#include "core/Look.h"
#include "draw/PhoneMask.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLocale>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <cmath>

const QString TfPenonton::WinnerMark = QStringLiteral("PEMENANG");

TfPenonton* fPenonton = nullptr;

namespace {

// The draw screen's colours.

// A normal draw number (eight characters) takes about 60 % of the width; longer ones shrink to fit.
constexpr double kNormalNumberShare = 0.6;
const QString kNormalNumber = QStringLiteral("00000000");

int share(int whole, double part) {
    return static_cast<int>(std::lround(whole * part));
}

// A band across the window from `top` to `bottom`, as shares of the height.
QRect across(const QRect& window, double top, double bottom) {
    return QRect(0, share(window.height(), top), window.width(),
                 share(window.height(), bottom) - share(window.height(), top));
}

} // namespace

TfPenonton::TfPenonton(QWidget* console, const QString& banner)
    : QWidget(nullptr, Qt::Window), m_console(console), m_bannerText(banner),
      m_number(look::numberFont(12), look::Number) {
    setObjectName(QStringLiteral("fPenonton"));
    setWindowTitle(QStringLiteral("Layar Penonton"));
    setWindowIcon(console ? console->windowIcon() : QIcon());
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::BlankCursor);
    // Every pixel is painted here, and a tick repaints only the number: no background erased beneath it.
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(1024, 768);
    m_nextFrame.setSingleShot(true);
    connect(&m_nextFrame, &QTimer::timeout, this, [this] {
        if (m_stage == Stage::Shuffle && isVisible()) repaintNumber();
    });
}

void TfPenonton::toggle() {
    if (isVisible()) {
        close();
        return;
    }
    QScreen* own = m_console ? m_console->screen() : QGuiApplication::primaryScreen();
    QScreen* target = own;
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen != own) {
            target = screen;
            break;
        }
    }
    // On a monitor of its own it never takes the keyboard from the console. On the console's own monitor it comes
    // to the front like any window, and the operator switches back with Alt+Tab.
    const bool elsewhere = target != own;
    m_ownMonitor = elsewhere;
    setWindowFlag(Qt::WindowDoesNotAcceptFocus, elsewhere);
    setAttribute(Qt::WA_ShowWithoutActivating, elsewhere);
    if (target) {
        setScreen(target);
        setGeometry(target->geometry());
    }
    // Not showFullScreen(): that activates the window as well.
    setWindowState((windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized)) | Qt::WindowFullScreen);
    show();
    if (!elsewhere) {
        raise();
        activateWindow();
    }
}

void TfPenonton::setLogo(const QPixmap& logo) {
    m_logo = logo;
    layOut();
    update(m_layout.top);
}

// --- Following the draw --------------------------------------------------------------------------------------

void TfPenonton::participantsCounted(std::size_t participants, std::optional<std::size_t> alreadyWon) {
    m_participants = participants;
    m_alreadyWon = alreadyWon;
    layOutFooter();
    update(m_layout.bottom);
}

void TfPenonton::listSealed(std::size_t participants, const QString& fingerprint) {
    m_participants = participants;
    m_fingerprint = fingerprint;
    layOutFooter();
    update(m_layout.bottom);
}

void TfPenonton::shuffleStarted() {
    m_stage = Stage::Shuffle;
    layOutDetails();
    update();
}

void TfPenonton::numberShown(const QString& number) {
    // At every tick: the number is stored and, once per frame at most, its box marked; the painting follows when
    // the event loop is free. A shuffle at 1 ms flashes faster than any monitor shows.
    if (number == m_flashing) return;
    m_flashing = number;
    if (m_stage == Stage::Shuffle && isVisible()) repaintNumber();
}

void TfPenonton::repaintNumber() {
    ensureLaidOut();
    const QScreen* monitor = screen();
    const qreal rate = monitor && monitor->refreshRate() >= 10 ? monitor->refreshRate() : 60.0;
    const qint64 frame = static_cast<qint64>(1000.0 / rate);
    const qint64 since = m_lastFrame.isValid() ? m_lastFrame.elapsed() : frame;
    if (since < frame) {
        if (!m_nextFrame.isActive()) m_nextFrame.start(static_cast<int>(frame - since));
        return;
    }
    m_lastFrame.start();
    // Laid out here, once a frame, not at every tick: what is repainted and sent to the monitor is just where the
    // last number was painted and where this one goes.
    const QRect after = m_number.place(shownNumber(), m_layout.numberBox, m_numberLargest);
    update(m_paintedNumber | after);
}

void TfPenonton::detailsShown(const DrawDetails& details) {
    m_shown = details;
    m_stage = Stage::Details;
    layOutDetails();
    update();
}

void TfPenonton::prizeTyped(const QString& prize) {
    m_shown.prize = prize;
    if (m_stage != Stage::Details) return;
    const QRect before = m_prize.rect() | m_prizeCaption.rect();
    layOutPrize(); // only the prize changed: the name, which may be long, keeps its layout
    update(before | m_prize.rect() | m_prizeCaption.rect());
}

void TfPenonton::winnerSaved(const DrawDetails& winner) {
    m_winner = winner;
    m_stage = Stage::Winner;
    layOutDetails();
    update();
}

void TfPenonton::detailsCleared() {
    m_stage = Stage::Shuffle;
    layOutDetails();
    update();
}

// --- What is shown -------------------------------------------------------------------------------------------

const DrawDetails* TfPenonton::details() const {
    switch (m_stage) {
    case Stage::Details:
        return &m_shown;
    case Stage::Winner:
        return &m_winner;
    case Stage::Shuffle:
        break;
    }
    return nullptr;
}

QString TfPenonton::shownNumber() const {
    const DrawDetails* shown = details();
    return shown ? shown->number : m_flashing;
}

QStringList TfPenonton::shownTexts() {
    ensureLaidOut();
    QStringList texts{shownNumber()};
    for (const FittedText* text :
         {&m_banner, &m_mark, &m_name, &m_phone, &m_prizeCaption, &m_prize, &m_count, &m_fingerprintText})
        texts += text->lines();
    texts.removeAll(QString());
    return texts;
}

// --- Layout --------------------------------------------------------------------------------------------------

void TfPenonton::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layOut();
}

void TfPenonton::ensureLaidOut() {
    if (size() != m_laidOutFor) layOut();
}

void TfPenonton::layOut() {
    m_laidOutFor = size();
    const QRect window = rect();
    const int w = window.width(), h = window.height();
    const int margin = share(w, 0.04);
    Layout& l = m_layout;
    l.line = std::max(1, h / 400);
    l.top = across(window, 0, 0.13);
    l.band = across(window, 0.155, 0.465);
    l.numberBox = l.band.adjusted(margin, l.band.height() / 16, -margin, -l.band.height() / 16);
    auto column = [&](double top, double bottom) {
        return across(window, top, bottom).adjusted(margin, 0, -margin, 0);
    };
    l.mark = column(0.48, 0.55);
    l.name = column(0.56, 0.745);
    l.phone = column(0.75, 0.795);
    l.prizeCaption = column(0.80, 0.83);
    l.prize = column(0.83, 0.925);
    l.bottom = across(window, 0.945, 1.0);
    l.bottom.setBottom(window.bottom());
    l.count = l.bottom.adjusted(margin, 0, -w / 2, 0);
    l.fingerprint = l.bottom.adjusted(w / 2, 0, -margin, 0);
    m_numberLargest =
        std::max(8, static_cast<int>(100 * kNormalNumberShare * w /
                                     QFontMetricsF(look::numberFont(100)).horizontalAdvance(kNormalNumber)));

    const int logoHeight = share(l.top.height(), 0.76);
    m_logoScaled = m_logo.isNull()
                       ? QPixmap()
                       : m_logo.scaled(QSize(share(w, 0.3), logoHeight), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    l.logo = QRect(QPoint(margin / 2, l.top.top() + (l.top.height() - m_logoScaled.height()) / 2), m_logoScaled.size());
    const int bannerLeft = (m_logoScaled.isNull() ? 0 : l.logo.right()) + margin;
    m_banner.fit(m_bannerText, look::screenFont(12, true),
                 QRect(bannerLeft, l.top.top(), w - margin - bannerLeft, l.top.height()),
                 {share(l.top.height(), 0.42), 6, false, Qt::AlignRight});
    layOutDetails();
    layOutFooter();
}

void TfPenonton::layOutDetails() {
    const Layout& l = m_layout;
    const int h = height();
    const DrawDetails* shown = details();
    auto clearAll = [this] {
        for (FittedText* text : {&m_mark, &m_name, &m_phone, &m_prizeCaption, &m_prize})
            text->clear();
    };
    clearAll();
    if (!shown) return;
    if (m_stage == Stage::Winner)
        m_mark.fit(WinnerMark, look::screenFont(12, true), l.mark.adjusted(0, h / 100, 0, -h / 100),
                   {share(h, 0.045), 6, false});
    m_name.fit(shown->name, look::screenFont(12, true), l.name, {share(h, 0.085), std::max(6, share(h, 0.025)), true});
    m_phone.fit(maskedPhone(shown->phone), look::screenFont(12, true), l.phone, {share(h, 0.035), 6, false});
    layOutPrize();
}

void TfPenonton::layOutPrize() {
    const Layout& l = m_layout;
    const int h = height();
    const DrawDetails* shown = details();
    m_prizeCaption.clear();
    m_prize.clear();
    if (!shown || shown->prize.trimmed().isEmpty()) return;
    m_prizeCaption.fit(QStringLiteral("HADIAH"), look::screenFont(12, true), l.prizeCaption,
                       {share(h, 0.025), 6, false});
    m_prize.fit(shown->prize, look::screenFont(12, true), l.prize, {share(h, 0.06), std::max(6, share(h, 0.02)), true});
}

void TfPenonton::layOutFooter() {
    const Layout& l = m_layout;
    const FittedText::Limits small{std::max(6, share(height(), 0.022)), 6, false, Qt::AlignLeft};
    const QLocale indonesian(QLocale::Indonesian, QLocale::Indonesia);
    QString count = QStringLiteral("%1 peserta").arg(indonesian.toString(static_cast<qulonglong>(m_participants)));
    if (m_alreadyWon)
        count += QStringLiteral(", %1 sudah menang").arg(indonesian.toString(static_cast<qulonglong>(*m_alreadyWon)));
    m_count.fit(count, look::screenFont(12, true), l.count, small);
    FittedText::Limits right = small;
    right.across = Qt::AlignRight;
    m_fingerprintText.fit(m_fingerprint.isEmpty() ? QString() : QStringLiteral("Sidik daftar %1").arg(m_fingerprint),
                          look::screenFont(12, true), l.fingerprint, right);
}

// --- Painting ------------------------------------------------------------------------------------------------

void TfPenonton::paintEvent(QPaintEvent* event) {
    ensureLaidOut();
    QPainter painter(this);
    const QRect dirty = event->rect();
    if (m_layout.numberBox.contains(dirty)) {
        // A tick: only the number changed. Within the box all but the number is black, so blackening where the
        // old number was and where the new one goes is enough.
        const QRect after = m_number.place(shownNumber(), m_layout.numberBox, m_numberLargest);
        painter.fillRect((m_paintedNumber | after) & dirty, Qt::black);
        m_number.paint(painter);
        m_paintedNumber = after;
        return;
    }
    painter.fillRect(dirty, look::Background);
    paintTop(painter, dirty);
    paintBand(painter, dirty);
    paintDetails(painter, dirty);
    paintFooter(painter, dirty);
}

void TfPenonton::paintTop(QPainter& painter, const QRect& dirty) {
    const Layout& l = m_layout;
    if (!l.top.intersects(dirty)) return;
    painter.fillRect(l.top, Qt::white);
    painter.fillRect(QRect(0, l.top.bottom() + 1 - l.line, width(), l.line), look::BandEdge);
    if (!m_logoScaled.isNull()) painter.drawPixmap(l.logo.topLeft(), m_logoScaled);
    m_banner.paint(painter, look::Banner);
}

void TfPenonton::paintBand(QPainter& painter, const QRect& dirty) {
    const Layout& l = m_layout;
    if (!l.band.intersects(dirty)) return;
    painter.fillRect(l.band, Qt::black);
    painter.fillRect(QRect(0, l.band.top(), width(), l.line), look::DisplayEdge);
    painter.fillRect(QRect(0, l.band.bottom() + 1 - l.line, width(), l.line), look::DisplayEdge);
    m_paintedNumber = m_number.place(shownNumber(), l.numberBox, m_numberLargest);
    m_number.paint(painter);
}

void TfPenonton::paintDetails(QPainter& painter, const QRect& dirty) {
    if (!details()) return;
    painter.setRenderHint(QPainter::Antialiasing);
    if (!m_mark.rect().isEmpty() && m_layout.mark.intersects(dirty)) {
        const int padding = m_mark.rect().height() / 2;
        const QRect badge = m_mark.rect().adjusted(-2 * padding, -padding / 2, 2 * padding, padding / 2);
        painter.setPen(Qt::NoPen);
        painter.setBrush(look::Banner);
        painter.drawRoundedRect(badge, padding, padding);
        m_mark.paint(painter, Qt::white);
    }
    if (m_name.rect().intersects(dirty)) m_name.paint(painter, look::Detail);
    if (m_phone.rect().intersects(dirty)) m_phone.paint(painter, look::Band);
    if (m_prizeCaption.rect().intersects(dirty)) m_prizeCaption.paint(painter, Qt::black);
    if (m_prize.rect().intersects(dirty)) m_prize.paint(painter, look::Prize);
}

void TfPenonton::paintFooter(QPainter& painter, const QRect& dirty) {
    const Layout& l = m_layout;
    if (!l.bottom.intersects(dirty)) return;
    painter.fillRect(l.bottom, look::Band);
    painter.fillRect(QRect(0, l.bottom.top(), width(), l.line), look::BandEdge);
    m_count.paint(painter, Qt::white);
    m_fingerprintText.paint(painter, Qt::white);
}

// --- Keys and closing ----------------------------------------------------------------------------------------

void TfPenonton::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F11) {
        close();
        return;
    }
    if (m_consoleKeys && m_consoleKeys(*event)) {
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TfPenonton::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // On a monitor of its own it never keeps the keyboard, even where the system activates every window shown or
    // the operator clicks on it: the console gets it straight back.
    if (event->type() == QEvent::ActivationChange && m_ownMonitor && isActiveWindow() && m_console)
        m_console->activateWindow();
}

void TfPenonton::closeEvent(QCloseEvent* event) {
    const bool wasActive = isActiveWindow();
    QWidget::closeEvent(event);
    // Closed from its own keyboard: the console, not some other window, gets the keyboard back.
    if (wasActive && m_console) {
        m_console->raise();
        m_console->activateWindow();
    }
}
