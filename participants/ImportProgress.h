#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <cstddef>
#include <initializer_list>
#include <memory>
#include <vector>

class QProgressDialog;

// Shows that a long preview or upload is working and how far it has got, on the user-interface thread. It lives for
// the length of the job: the job's buttons are disabled meanwhile and restored after it; the event loop runs now and
// then, without user input, so the screens repaint (the preview shows its first rows) and no handler runs in the
// middle of the job; once the job has run for a moment, a modal dialog shows the rows done so far. The dialog belongs
// to the screen that started the job (its transient parent), so a window manager keeps it above that screen even
// when the screen stays on top.
class ImportProgress {
public:
    // label holds %1 for the number of rows, e.g. "Membaca %1 baris...". screen is the window the job runs for.
    ImportProgress(QWidget* screen, const QString& label, std::initializer_list<QWidget*> buttons);
    ~ImportProgress();
    ImportProgress(const ImportProgress&) = delete;
    ImportProgress& operator=(const ImportProgress&) = delete;

    // Rows done so far; cheap to call after every batch, and while waiting for one.
    void step(std::size_t rows);
    // Takes the dialog away while the job asks the operator something; the next step shows it again.
    void hideDialog();
    // Runs the events waiting now, except user input: the screens repaint (e.g. to show the first rows of a preview).
    static void pumpEvents();

    // A job is under way: a handler reached through the event loop meanwhile must not start another.
    static bool running();
    // How long a job runs before the dialog shows (tests set 0 to see it at once).
    static void setShowAfter(int milliseconds);

private:
    QPointer<QWidget> m_screen;
    QString m_label;
    std::vector<std::pair<QPointer<QWidget>, bool>> m_buttons; // each with its state before the job
    QElapsedTimer m_clock;
    qint64 m_lastUpdate = 0;
    std::unique_ptr<QProgressDialog> m_dialog;
};
