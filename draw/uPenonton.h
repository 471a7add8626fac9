#pragma once

#include "core/draw/DrawObserver.h"
#include "draw/AudienceScreen.h"
#include "draw/BigNumber.h"
#include "draw/FittedText.h"

#include <QElapsedTimer>
#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <vector>

// The audience screen: the draw as the hall sees it, full screen on a projector or a second monitor. It follows
// the draw through DrawObserver and has no control of its own. On a monitor of its own it never takes the keyboard
// from the draw screen (the console); on the console's own monitor it covers the console and passes the console's
// keys on to it, so the operator runs the draw without ever showing the console to the hall. Everything is scaled to
// the window: the logo, the event's name (with a prize plan that has one) and the banner at the top, the draw number as
// large as fits in the black band, then the winner's name, masked phone and prize, and small at the bottom the
// participants in the draw and the list's fingerprint. In a keyed draw the bottom line says that the sealed key sets
// the result and shows the key; when the key is fixed, its values and the key take the screen until the next "Acak".
class TfPenonton : public QWidget, public DrawObserver, public AudienceScreen {
    Q_OBJECT
public:
    // console: the draw screen, whose monitor this screen avoids when there is another. The screen is a window of
    // its own, owned by no other.
    TfPenonton(QWidget* console, const QString& banner);

    // Opens full screen, on another monitor than the console's when there is one, or closes when open.
    void toggle() override;
    void setLogo(const QPixmap& logo) override;
    // What the console does with a key pressed on this screen; true when it took the key. F11 always closes this
    // screen, and Escape does when the console leaves it.
    void setConsoleKeys(ConsoleKeys keys) override { m_consoleKeys = std::move(keys); }
    QWidget* screenWindow() override { return this; }

    void participantsCounted(std::size_t participants, std::optional<std::size_t> alreadyWon) override;
    void listSealed(std::size_t participants, const QString& fingerprint) override;
    void shuffleStarted() override;
    void numberShown(const QString& number) override;
    void detailsShown(const DrawDetails& details) override;
    void prizeTyped(const QString& prize) override;
    void winnerSaved(const DrawDetails& winner) override;
    void detailsCleared() override;
    void roundStarted(const QString& prize, int winners) override;
    void roundShown(const core::PlanRound& round) override;
    void roundSaved(const core::PlanRound& round) override;
    void winnerForfeited(const core::PlanRound& round, std::size_t place) override;
    void keyedDrawChanged(const KeyedDetails& keyed) override;
    void keyShown(const KeyedDetails& keyed) override;
    void eventNamed(const QString& name) override;

    // What the hall sees: the shuffle, a participant's details after "Tampilkan", or a saved winner; with a prize
    // plan, a round of several winners as drawn, or saved; with a keyed draw, its key just fixed.
    enum class Stage { Shuffle, Details, Winner, Round, RoundSaved, Key };
    Stage stage() const { return m_stage; }
    // Where the number and the name were last drawn, and every text as drawn (for the operator's checks).
    QRect numberRect() const { return m_number.rect(); }
    // What a tick repaints: the box the number is fitted in.
    QRect numberBox() const { return m_layout.numberBox; }
    int numberPixelSize() const { return m_number.pixelSize(); }
    QRect nameRect() const { return m_name.rect(); }
    int nameFits() const { return m_name.fits(); }
    QStringList shownTexts();
    // The cells of the round of several winners shown, one per winner in the order drawn, and the pixel size of the
    // names in them.
    QList<QRect> roundCells() const { return m_layout.cells; }
    QList<int> roundNameSizes() const;

    static const QString WinnerMark;
    static const QString ForfeitMark;
    // The bottom line of a keyed draw.
    static const QString KeyedNote;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct Layout {
        QRect top, logo, eventName, band, numberBox, mark, name, phone, prizeCaption, prize, bottom, count, fingerprint,
            note;
        int line = 1; // width of the bands' edge lines
        // A round of several winners: the whole area between the top band and the footer, its heading line and a
        // cell per winner.
        QRect round, roundHeading, roundMark;
        QList<QRect> cells;
    };
    // One winner's cell of a round: draw number, masked phone, name.
    struct Cell {
        FittedText number, phone, name;
    };
    const DrawDetails* details() const;
    QString shownNumber() const;
    void layOut();
    // Lays the screen out for its size if that changed since (a hidden window's resize is delivered late).
    void ensureLaidOut();
    void layOutDetails();
    void layOutPrize();
    void layOutFooter();
    void layOutRound();
    void layOutKey();
    bool roundStage() const { return m_stage == Stage::Round || m_stage == Stage::RoundSaved; }
    // The stages that take the band's place and the details'.
    bool wholeStage() const { return roundStage() || m_stage == Stage::Key; }
    // Marks the number for repainting, at most once per frame of the monitor.
    void repaintNumber();
    void paintTop(QPainter& painter, const QRect& dirty);
    void paintBand(QPainter& painter, const QRect& dirty);
    void paintDetails(QPainter& painter, const QRect& dirty);
    void paintFooter(QPainter& painter, const QRect& dirty);
    void paintRound(QPainter& painter, const QRect& dirty);
    void paintKey(QPainter& painter, const QRect& dirty);

    QWidget* m_console;
    ConsoleKeys m_consoleKeys;
    bool m_ownMonitor = false; // open on another monitor than the console's
    QString m_bannerText;
    QString m_eventNameText; // the event's name, beside the logo
    QPixmap m_logo;
    QPixmap m_logoScaled;

    Stage m_stage = Stage::Shuffle;
    QString m_flashing;   // the number of the latest tick
    DrawDetails m_shown;  // after "Tampilkan"; its prize is the one being typed
    DrawDetails m_winner; // as "&Simpan" stored it
    QString m_planPrize;  // with a plan: the prize the shuffle draws, and for how many winners
    int m_planWinners = 0;
    bool m_forfeited = false; // the one winner shown forfeited ("Tidak Hadir")
    core::PlanRound m_round;  // the round of several winners shown
    std::size_t m_participants = 0;
    std::optional<std::size_t> m_alreadyWon;
    QString m_fingerprint;
    KeyedDetails m_keyed;

    Layout m_layout;
    QSize m_laidOutFor;
    int m_numberLargest = 8; // pixels: the size of a normal number
    QRect m_paintedNumber;   // where the number was last painted: all else in its box is black
    QElapsedTimer m_lastFrame;
    QTimer m_nextFrame; // a number that came within a frame of the last is painted at the next
    BigNumber m_number;
    FittedText m_banner, m_eventName, m_mark, m_name, m_phone, m_prizeCaption, m_prize, m_count, m_fingerprintText;
    FittedText m_roundInfo, m_roundHeading, m_roundMark;
    std::vector<Cell> m_cells;
    FittedText m_keyedNote, m_keyHeading, m_keyText;
    std::vector<FittedText> m_keyValues;
};

extern TfPenonton* fPenonton;
