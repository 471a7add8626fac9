#pragma once

// Where the draw stands between "Acak" and the winner's save. A round is drawn or shown and not yet saved from a
// "Stop" or a "Tampilkan" until the next "Acak", a save that went through, or "&Batal": leaving the program or
// reading the list again then asks first or waits. "Acak" begins a new round and gives up the one before (its
// number and name are cleared); a save that failed leaves the round unsaved.
class DrawRound {
public:
    // "Acak": the shuffle runs until "Stop".
    void shuffleStarted() {
        m_shuffling = true;
        m_drawn = m_shown = false;
    }
    // The shuffle ended without a pick (nobody is left to draw).
    void shuffleEnded() { m_shuffling = false; }
    // "Stop": a participant is drawn.
    void stopped() {
        m_shuffling = false;
        m_drawn = true;
    }
    // "Tampilkan": a participant's details are shown.
    void shown() { m_shown = true; }
    // The winner saved, or "&Batal".
    void closed() { m_drawn = m_shown = false; }

    bool shuffling() const { return m_shuffling; }
    bool unsaved() const { return m_drawn || m_shown; }

private:
    bool m_shuffling = false;
    bool m_drawn = false;
    bool m_shown = false;
};
