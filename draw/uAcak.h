#pragma once

#include "draw/ui_uAcak.h"
#include "platform/db/DataSource.h"

#include <QWidget>

class AudienceScreen;
class QKeyEvent;
class QShortcut;

namespace core {
class Draw;
class Session;
} // namespace core
namespace chance {
class TickRandom;
}
namespace db {
class TableCursor;
}
namespace ui {
class DialogKeys;
class Timer;
} // namespace ui

// The draw screen, the main window: shuffles through the participants, stops on one and saves the winner. The draw
// itself (the pick, the round, the winner until it is saved) is the session's core::Draw; this screen shows it and
// hands it the operator's actions. Its controls are those of its form (uAcak.ui), under their given names; the form
// stacks them in its order, so the logo (Image1) lies beneath every other control, and "Acak" over "Stop" in the
// same place. The fields the audience reads hold a participant's field whole, however long. The captions and flat
// shapes are painted, not controls: the fields carry their names for screen readers themselves.
class TfAcak : public QWidget, public Ui::TfAcak {
    Q_OBJECT
public:
    explicit TfAcak(core::Session& session, QWidget* parent = nullptr);
    ~TfAcak() override;

    ui::Timer* Timer1;          // marquee
    ui::Timer* Timer2;          // shuffle
    db::TableCursor& ADOTable1; // participants drawn from: the draw's
    db::TableCursor& ADOTable2; // setup: the session's settings
    db::DataSource DataSource1;

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
    void btn_daftarHadiahClick(QObject* Sender);
    void btn_tidakHadirClick(QObject* Sender);
    // The selector of the prize drawn, and PageUp / PageDown: another prize with a slot open.
    void cb_hadiahSelect(QObject* Sender);
    void turnPrize(int direction);
    // The draw screen became active again: is the participants table still the list drawn from?
    void FormActivate(QObject* Sender);

    // The draw's random source; tests put in one with a pinned clock and entropy.
    void setRandom(chance::TickRandom random);
    // The marquee counter, 0 to 42.
    int marqueeCounter() const { return m_marqueeCounter; }

    // "Pemenang tidak diundi lagi" (the winners screen switches it): a participant whose draw number has won is not
    // drawn again.
    bool winnersOnce() const;
    void setWinnersOnce(bool on);
    // The screen the hall sees, opened and closed with F11; it follows the draw itself.
    void setAudience(AudienceScreen* audience);
    void toggleAudience();

    static const QString MarqueeText;

signals:
    // "Lihat Pemenang", "Lihat Peserta" and "Daftar Hadiah": the screen asked for shows itself with its table as it is
    // now.
    void winnersScreenWanted();
    void participantsScreenWanted();
    void planScreenWanted();

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void loadLogo();
    void fitOuterSize();
    void sayEveryoneHasWon();
    void showAcak(bool shown);
    bool keyFromAudience(const QKeyEvent& key);
    void focusAcakOrStop();
    // The detail fields and "&Simpan"/"&Batal" as the draw has them, and with a prize plan its line, selector and
    // round.
    void showDetails();
    void showPlan();
    void showRound();
    void sayStartRefused(int refusal);
    void askKey();
    void followTyping();
    QString memoName() const;

    core::Session& m_session;
    core::Draw& m_draw;
    int m_marqueeCounter = 0;
    bool m_showingDetails = false; // the fields are being filled from the draw, not typed into
    ui::DialogKeys* m_keys = nullptr;
    QList<QShortcut*> m_prizeKeys; // PageUp and PageDown, with a plan
    AudienceScreen* m_audience = nullptr;
};

extern TfAcak* fAcak;
