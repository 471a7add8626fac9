#pragma once

#include "core/draw/EligibleParticipants.h"
#include "core/record/Journal.h"
#include "core/record/SealedList.h"
#include "draw/DrawRound.h"
#include "draw/ui_uAcak.h"
#include "platform/chance/TickRandom.h"
#include "platform/db/DataSource.h"
#include "platform/db/SqlCommand.h"
#include "platform/db/TableCursor.h"

#include <QWidget>
#include <memory>

class DrawObserver;
class TfPenonton;

namespace ui {
class DialogKeys;
class Timer;
} // namespace ui

// The draw screen, the main window: shuffles through the participants, stops on one and saves the winner. Its
// controls are those of its form (uAcak.ui), under their given names; the form stacks them in its order, so the
// logo (Image1) lies beneath every other control, and "Acak" over "Stop" in the same place. The fields the audience
// reads hold a participant's field whole, however long. The captions and flat shapes are painted, not controls: the
// fields carry their names for screen readers themselves.
class TfAcak : public QWidget, public Ui::TfAcak {
    Q_OBJECT
public:
    explicit TfAcak(QWidget* parent = nullptr);
    ~TfAcak() override;

    ui::Timer* Timer1;                      // marquee
    ui::Timer* Timer2;                      // shuffle
    db::TableCursor ADOTable1{"ADOTable1"}; // participants drawn from
    db::TableCursor ADOTable2{"ADOTable2"}; // setup
    db::DataSource DataSource1;
    db::SqlCommand ADOCommand1;
    // The list ADOTable1 read, sealed by its fingerprint; declared after ADOTable1, so it is gone (its thread
    // joined) before the rows it reads.
    record::SealedList SealedList1;

    // Event handlers.
    void FormCreate(QObject* Sender);
    void btn_acakClick(QObject* Sender);
    void Timer2Timer(QObject* Sender);
    void btn_stopClick(QObject* Sender);
    void BitBtn4Click(QObject* Sender);
    void BitBtn2Click(QObject* Sender);
    void BitBtn3Click(QObject* Sender);
    void BitBtn5Click(QObject* Sender);
    void Timer1Timer(QObject* Sender);
    void BitBtn6Click(QObject* Sender);
    void BitBtn7Click(QObject* Sender);
    void BitBtn8Click(QObject* Sender);
    void btn_muatUlangClick(QObject* Sender);
    // The draw screen became active again: is the participants table still the list drawn from?
    void FormActivate(QObject* Sender);

    // The draw's random source; tests put in one with a pinned clock and entropy.
    void setRandom(chance::TickRandom random) { m_random = std::move(random); }
    // The marquee counter, 0 to 42.
    int marqueeCounter() const { return m_marqueeCounter; }

    // "Pemenang tidak diundi lagi": a participant whose draw number has won is not drawn again. Stored in setup
    // at once; off by default.
    bool winnersOnce() const { return m_winnersOnce; }
    void setWinnersOnce(bool on);
    // The audience screen, opened and closed with F11; it follows the draw through DrawObserver.
    TfPenonton* audience() const { return m_audience.get(); }
    void toggleAudience();

    static const QString MarqueeText;
    static const QString BannerText;

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void loadLogo();
    void readList();
    static int speedOf(db::TableCursor& settings);
    void fitOuterSize();
    void readWinnersOnce();
    void winnerStored(const QString& number, const QString& name, const QString& prize);
    void countParticipants();
    QString shortFingerprint() const;
    void sayEveryoneHasWon();
    void showAcak(bool shown);
    bool keyFromAudience(const QKeyEvent& key);
    void focusAcakOrStop();

    record::Journal::RunStart runStart() const;
    QJsonObject selectedParticipant() const;

    chance::TickRandom m_random;
    int m_marqueeCounter = 0;
    std::optional<std::uint64_t> m_lastRank; // the rank the last tick drew, 1 to n, in ascending ID order
    bool m_closedReported = false;
    ui::DialogKeys* m_keys = nullptr;
    // A window of its own, not owned by this one: an owned window would stay above the draw screen on the same
    // monitor, where the operator switches back to the draw screen with Alt+Tab.
    std::unique_ptr<TfPenonton> m_audience;
    DrawObserver* m_observer = nullptr; // the audience screen
    EligibleParticipants m_eligible;
    DrawRound m_round;
    bool m_winnersOnce = false;
};

extern TfAcak* fAcak;
