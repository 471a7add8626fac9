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
const QString TfPenonton::ForfeitMark = QStringLiteral("TIDAK HADIR");
const QString TfPenonton::KeyedNote = QStringLiteral("Hasil undian ditentukan oleh kunci undian yang disegel");

TfPenonton* fPenonton = nullptr;

namespace {

// A winner found absent: the mark and the cell.
const QColor kRed(0xC0, 0x10, 0x10);
const QColor kForfeitCell(0xFF, 0xE4, 0xE4);

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
    m_forfeited = false; // the marks of the round before go
    m_planPrize.clear();
    m_planWinners = 0;
    layOutDetails();
    layOutRound(); // the round before goes
    layOutKey();
    update();
}

void TfPenonton::roundStarted(const QString& prize, int winners) {
    m_planPrize = prize;
    m_planWinners = winners;
    layOutDetails();
    update();
}

void TfPenonton::roundShown(const core::PlanRound& round) {
    m_round = round;
    m_stage = Stage::Round;
    layOutRound();
    update();
}

void TfPenonton::roundSaved(const core::PlanRound& round) {
    m_round = round;
    m_stage = Stage::RoundSaved;
    layOutRound();
    update();
}

void TfPenonton::winnerForfeited(const core::PlanRound& round, std::size_t) {
    if (roundStage()) {
        m_round = round;
        layOutRound();
    } else {
        m_forfeited = true; // a round of one: its winner shown with the mark, and the prize kept
        layOutDetails();
    }
    update();
}

void TfPenonton::keyedDrawChanged(const KeyedDetails& keyed) {
    m_keyed = keyed;
    if (!keyed.on && m_stage == Stage::Key) m_stage = Stage::Shuffle;
    layOutFooter();
    layOutKey();
    update();
}

void TfPenonton::keyShown(const KeyedDetails& keyed) {
    m_keyed = keyed;
    m_stage = Stage::Key;
    layOutFooter();
    layOutDetails();
    layOutRound();
    layOutKey();
    update();
}

void TfPenonton::eventNamed(const QString& name) {
    if (name == m_eventNameText) return;
    m_eventNameText = name;
    layOut();
    update(m_layout.top);
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
    layOutRound();
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
    layOutRound();
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
    case Stage::Round:
    case Stage::RoundSaved:
    case Stage::Key:
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
    QStringList texts{wholeStage() ? QString() : shownNumber()};
    for (const FittedText* text : {&m_banner, &m_eventName, &m_mark, &m_roundInfo, &m_name, &m_phone, &m_prizeCaption,
                                   &m_prize, &m_roundHeading, &m_roundMark})
        texts += text->lines();
    if (m_stage == Stage::Key) {
        texts += m_keyHeading.lines();
        for (const FittedText& value : m_keyValues)
            texts += value.lines();
        texts += m_keyText.lines();
    }
    for (const FittedText* text : {&m_count, &m_keyedNote, &m_fingerprintText})
        texts += text->lines();
    for (const Cell& cell : m_cells)
        for (const FittedText* text : {&cell.number, &cell.phone, &cell.name})
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
    int bannerLeft = (m_logoScaled.isNull() ? 0 : l.logo.right()) + margin;
    l.eventName = QRect();
    m_eventName.clear();
    if (!m_eventNameText.isEmpty()) {
        // The event's name beside the logo, in up to two lines; the program's banner keeps the rest, smaller.
        const int width = (w - margin - bannerLeft) * 65 / 100;
        l.eventName = QRect(bannerLeft, l.top.top(), width, l.top.height()).adjusted(0, h / 200, 0, -h / 200);
        m_eventName.fit(m_eventNameText, look::screenFont(12, true), l.eventName,
                        {share(l.top.height(), 0.4), 6, true, Qt::AlignLeft});
        bannerLeft += width + margin / 2;
    }
    m_banner.fit(m_bannerText, look::screenFont(12, true),
                 QRect(bannerLeft, l.top.top(), w - margin - bannerLeft, l.top.height()),
                 {share(l.top.height(), m_eventNameText.isEmpty() ? 0.42 : 0.28), 6, false, Qt::AlignRight});
    l.round = QRect(margin / 2, l.top.bottom() + 1 + h / 80, w - margin, l.bottom.top() - l.top.bottom() - 1 - h / 40);
    l.roundHeading = QRect(l.round.left(), l.round.top(), l.round.width() * 2 / 3, share(h, 0.07));
    // The mark's badge reaches a mark's height beyond its text on either side.
    l.roundMark = QRect(l.roundHeading.right() + 1, l.round.top(),
                        l.round.right() - l.roundHeading.right() - l.roundHeading.height(), l.roundHeading.height());
    layOutDetails();
    layOutFooter();
    layOutRound();
    layOutKey();
}

// The cells of a round of several winners: as many columns as make the names largest, where a name of some eighteen
// characters fits a cell's width and takes a little under half its height. 50 winners at 1920 x 1080 take five
// columns of ten, names of up to eighteen characters some 28 pixels high.
void TfPenonton::layOutRound() {
    Layout& l = m_layout;
    l.cells.clear();
    m_cells.clear();
    m_roundHeading.clear();
    m_roundMark.clear();
    if (!roundStage() || m_round.winners.empty()) return;
    const int h = height();
    const int k = static_cast<int>(m_round.winners.size());
    const QRect area = l.round.adjusted(0, l.roundHeading.height() + h / 100, 0, 0);
    int columns = 1;
    double best = 0;
    for (int c = 1; c <= std::min(k, 8); ++c) {
        const int rows = (k + c - 1) / c;
        const double size = std::min(area.height() / static_cast<double>(rows) * 0.42, area.width() / (c * 12.0));
        if (size > best) {
            best = size;
            columns = c;
        }
    }
    const int rows = (k + columns - 1) / columns;
    const int gap = std::max(2, h / 150);
    const int cellWidth = (area.width() - gap * (columns - 1)) / columns;
    const int cellHeight = (area.height() - gap * (rows - 1)) / rows;
    m_cells.resize(m_round.winners.size());
    for (int i = 0; i < k; ++i) {
        // Down the columns, as a list is read.
        const int column = i / rows, row = i % rows;
        const QRect cell(area.left() + column * (cellWidth + gap), area.top() + row * (cellHeight + gap), cellWidth,
                         cellHeight);
        l.cells << cell;
        const core::RoundWinner& winner = m_round.winners[static_cast<std::size_t>(i)];
        const QRect inside = cell.adjusted(cellHeight / 8, cellHeight / 16, -cellHeight / 8, -cellHeight / 16);
        const int topLine = inside.height() * 45 / 100;
        const QRect numberBox(inside.left(), inside.top(), inside.width() * 58 / 100, topLine);
        const QRect phoneBox(numberBox.right() + 1, inside.top(), inside.right() - numberBox.right(), topLine);
        const QRect nameBox(inside.left(), inside.top() + topLine, inside.width(), inside.height() - topLine);
        Cell& texts = m_cells[static_cast<std::size_t>(i)];
        texts.number.fit(QStringLiteral("%1. %2").arg(i + 1).arg(winner.number), look::numberFont(12), numberBox,
                         {topLine, 6, false, Qt::AlignLeft});
        texts.phone.fit(winner.forfeited ? ForfeitMark : maskedPhone(winner.phone), look::screenFont(12, true),
                        phoneBox, {topLine * 2 / 3, 6, false, Qt::AlignRight});
        texts.name.fit(winner.name, look::screenFont(12, true), nameBox,
                       {nameBox.height() * 9 / 10, 6, true, Qt::AlignLeft});
    }
    m_roundHeading.fit(QStringLiteral("HADIAH: %1").arg(m_round.prizeName), look::screenFont(12, true), l.roundHeading,
                       {l.roundHeading.height() * 8 / 10, 6, false, Qt::AlignLeft});
    if (m_stage == Stage::RoundSaved)
        m_roundMark.fit(WinnerMark, look::screenFont(12, true), l.roundMark.adjusted(0, h / 100, 0, -h / 100),
                        {share(h, 0.045), 6, false, Qt::AlignRight});
}

// The key just fixed, over the band and the details: a heading, each value it was made from, and the key large.
void TfPenonton::layOutKey() {
    m_keyHeading.clear();
    m_keyText.clear();
    m_keyValues.clear();
    if (m_stage != Stage::Key) return;
    const Layout& l = m_layout;
    const int h = height();
    m_keyHeading.fit(QStringLiteral("KUNCI UNDIAN"), look::screenFont(12, true), l.roundHeading,
                     {l.roundHeading.height() * 8 / 10, 6, false, Qt::AlignLeft});
    const int inset = share(width(), 0.04);
    const QRect keyBox = QRect(l.round.left(), l.round.bottom() - share(h, 0.16), l.round.width(), share(h, 0.14))
                             .adjusted(inset, 0, -inset, 0);
    m_keyText.fit(QStringLiteral("Kunci undian %1").arg(m_keyed.shortKey), look::numberFont(12), keyBox,
                  {share(h, 0.1), 8, false, Qt::AlignHCenter});
    const int top = l.roundHeading.bottom() + h / 50;
    const int room = keyBox.top() - h / 50 - top;
    const int count = std::max<int>(1, static_cast<int>(m_keyed.values.size()));
    const int line = std::min(room / count, share(h, 0.07));
    m_keyValues.resize(static_cast<std::size_t>(m_keyed.values.size()));
    for (int at = 0; at < m_keyed.values.size(); ++at)
        m_keyValues[static_cast<std::size_t>(at)].fit(m_keyed.values[at], look::screenFont(12, true),
                                                      QRect(l.round.left(), top + at * line, l.round.width(), line),
                                                      {line * 6 / 10, 6, false, Qt::AlignLeft});
}

QList<int> TfPenonton::roundNameSizes() const {
    QList<int> sizes;
    for (const Cell& cell : m_cells)
        sizes << cell.name.pixelSize();
    return sizes;
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
    m_roundInfo.clear();
    if (!shown) {
        // A round of the plan shuffling: for what prize and how many winners.
        if (m_stage == Stage::Shuffle && m_planWinners > 1)
            m_roundInfo.fit(QStringLiteral("PUTARAN %1 PEMENANG").arg(m_planWinners), look::screenFont(12, true),
                            l.mark.adjusted(0, h / 100, 0, -h / 100), {share(h, 0.04), 6, false});
        layOutPrize();
        return;
    }
    if (m_forfeited)
        m_mark.fit(ForfeitMark, look::screenFont(12, true), l.mark.adjusted(0, h / 100, 0, -h / 100),
                   {share(h, 0.045), 6, false});
    else if (m_stage == Stage::Winner)
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
    const QString prize = shown ? shown->prize : m_stage == Stage::Shuffle ? m_planPrize : QString();
    if (prize.trimmed().isEmpty()) return;
    m_prizeCaption.fit(QStringLiteral("HADIAH"), look::screenFont(12, true), l.prizeCaption,
                       {share(h, 0.025), 6, false});
    m_prize.fit(prize, look::screenFont(12, true), l.prize, {share(h, 0.06), std::max(6, share(h, 0.02)), true});
}

void TfPenonton::layOutFooter() {
    const Layout& l = m_layout;
    const FittedText::Limits small{std::max(6, share(height(), 0.022)), 6, false, Qt::AlignLeft};
    const QLocale indonesian(QLocale::Indonesian, QLocale::Indonesia);
    QString count = QStringLiteral("%1 peserta").arg(indonesian.toString(static_cast<qulonglong>(m_participants)));
    if (m_alreadyWon)
        count += QStringLiteral(", %1 sudah menang").arg(indonesian.toString(static_cast<qulonglong>(*m_alreadyWon)));
    FittedText::Limits right = small;
    right.across = Qt::AlignRight;
    m_keyedNote.clear();
    if (!m_keyed.on) {
        m_count.fit(count, look::screenFont(12, true), l.count, small);
        m_fingerprintText.fit(m_fingerprint.isEmpty() ? QString()
                                                      : QStringLiteral("Sidik daftar %1").arg(m_fingerprint),
                              look::screenFont(12, true), l.fingerprint, right);
        return;
    }
    // A keyed draw: the count, the line that the sealed key sets the result, and the key once fixed, each in a share
    // of the width as long as its text usually is.
    const int w = width(), margin = share(w, 0.04), inner = w - 2 * margin, gap = margin / 2;
    const int countWidth = share(inner, 0.22), noteWidth = share(inner, 0.46);
    const QRect left(margin, l.bottom.top(), countWidth - gap, l.bottom.height());
    m_count.fit(count, look::screenFont(12, true), left, small);
    FittedText::Limits centred = small;
    centred.across = Qt::AlignHCenter;
    m_keyedNote.fit(KeyedNote, look::screenFont(12, true),
                    QRect(margin + countWidth, l.bottom.top(), noteWidth - gap, l.bottom.height()), centred);
    const QRect last(margin + countWidth + noteWidth, l.bottom.top(), inner - countWidth - noteWidth,
                     l.bottom.height());
    m_fingerprintText.fit(m_keyed.shortKey.isEmpty() ? QString()
                                                     : QStringLiteral("Kunci undian %1").arg(m_keyed.shortKey),
                          look::screenFont(12, true), last, right);
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
    if (roundStage()) {
        paintRound(painter, dirty); // the round's cells take the band's place
    } else if (m_stage == Stage::Key) {
        paintKey(painter, dirty);
    } else {
        paintBand(painter, dirty);
        paintDetails(painter, dirty);
    }
    paintFooter(painter, dirty);
}

void TfPenonton::paintRound(QPainter& painter, const QRect& dirty) {
    const Layout& l = m_layout;
    if (!l.round.intersects(dirty)) return;
    painter.setRenderHint(QPainter::Antialiasing);
    m_roundHeading.paint(painter, look::Prize);
    if (!m_roundMark.rect().isEmpty()) {
        const int padding = m_roundMark.rect().height() / 2;
        const QRect badge = m_roundMark.rect().adjusted(-2 * padding, -padding / 2, 2 * padding, padding / 2);
        painter.setPen(Qt::NoPen);
        painter.setBrush(look::Banner);
        painter.drawRoundedRect(badge, padding, padding);
        m_roundMark.paint(painter, Qt::white);
    }
    for (qsizetype i = 0; i < l.cells.size() && i < static_cast<qsizetype>(m_cells.size()); ++i) {
        const QRect& cell = l.cells[i];
        if (!cell.intersects(dirty)) continue;
        const bool forfeited = m_round.winners[static_cast<std::size_t>(i)].forfeited;
        painter.setPen(QPen(forfeited ? kRed : look::BandEdge, std::max(1, l.line)));
        painter.setBrush(forfeited ? kForfeitCell : QColor(Qt::white));
        painter.drawRoundedRect(cell, cell.height() / 10.0, cell.height() / 10.0);
        const Cell& texts = m_cells[static_cast<std::size_t>(i)];
        texts.number.paint(painter, forfeited ? Qt::gray : Qt::black);
        texts.phone.paint(painter, forfeited ? kRed : look::Band);
        texts.name.paint(painter, forfeited ? Qt::gray : look::Detail);
    }
}

void TfPenonton::paintKey(QPainter& painter, const QRect& dirty) {
    if (!m_layout.round.intersects(dirty)) return;
    painter.setRenderHint(QPainter::Antialiasing);
    m_keyHeading.paint(painter, look::Prize);
    for (const FittedText& value : m_keyValues)
        value.paint(painter, look::Detail);
    if (!m_keyText.rect().isEmpty()) {
        const int padding = m_keyText.rect().height() / 4;
        painter.fillRect(m_keyText.rect().adjusted(-2 * padding, -padding, 2 * padding, padding), Qt::black);
        m_keyText.paint(painter, look::Number);
    }
}

void TfPenonton::paintTop(QPainter& painter, const QRect& dirty) {
    const Layout& l = m_layout;
    if (!l.top.intersects(dirty)) return;
    painter.fillRect(l.top, Qt::white);
    painter.fillRect(QRect(0, l.top.bottom() + 1 - l.line, width(), l.line), look::BandEdge);
    if (!m_logoScaled.isNull()) painter.drawPixmap(l.logo.topLeft(), m_logoScaled);
    m_eventName.paint(painter, look::Separator);
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
    if (!details()) {
        // A round of the plan shuffling: its prize below the band.
        if (m_roundInfo.rect().intersects(dirty)) m_roundInfo.paint(painter, look::Band);
        if (m_prizeCaption.rect().intersects(dirty)) m_prizeCaption.paint(painter, Qt::black);
        if (m_prize.rect().intersects(dirty)) m_prize.paint(painter, look::Prize);
        return;
    }
    painter.setRenderHint(QPainter::Antialiasing);
    if (!m_mark.rect().isEmpty() && m_layout.mark.intersects(dirty)) {
        const int padding = m_mark.rect().height() / 2;
        const QRect badge = m_mark.rect().adjusted(-2 * padding, -padding / 2, 2 * padding, padding / 2);
        painter.setPen(Qt::NoPen);
        painter.setBrush(m_forfeited ? kRed : look::Banner);
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
    m_keyedNote.paint(painter, Qt::white);
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
