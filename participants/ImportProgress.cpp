#include "participants/ImportProgress.h"

#include "platform/ui/MessageBox.h"

#include <QCoreApplication>
#include <QLocale>
#include <QProgressDialog>

namespace {

bool g_running = false;
int g_showAfter = 300;               // ms: a short job finishes without a dialog flashing up
constexpr qint64 kUpdateEvery = 100; // ms between repaints

} // namespace

ImportProgress::ImportProgress(QWidget* screen, const QString& label, std::initializer_list<QWidget*> buttons)
    : m_screen(screen ? screen->window() : nullptr), m_label(label) {
    g_running = true;
    for (QWidget* button : buttons) {
        if (!button) continue;
        m_buttons.emplace_back(button, button->isEnabled());
        button->setEnabled(false);
    }
    m_clock.start();
}

ImportProgress::~ImportProgress() {
    m_dialog.reset();
    for (auto& [button, enabled] : m_buttons)
        if (button) button->setEnabled(enabled);
    g_running = false;
}

void ImportProgress::step(std::size_t rows) {
    const qint64 now = m_clock.elapsed();
    const bool showNow = !m_dialog && now >= g_showAfter;
    // The screens repaint from the start; the dialog shows only once the job has run for a moment.
    if (!showNow && now - m_lastUpdate < kUpdateEvery) return;
    m_lastUpdate = now;
    const QString text = m_label.arg(QLocale().toString(static_cast<qulonglong>(rows)));
    if (!showNow) {
        if (m_dialog) m_dialog->setLabelText(text);
    } else {
        m_dialog = std::make_unique<QProgressDialog>(text, QString(), 0, 0, m_screen);
        m_dialog->setObjectName(QStringLiteral("ImportProgress"));
        m_dialog->setWindowTitle(ui::MessageBox::applicationTitle());
        m_dialog->setWindowModality(Qt::ApplicationModal);
        m_dialog->setCancelButton(nullptr); // a job is all or nothing, and short: it runs to its end
        m_dialog->setMinimumDuration(0);
        m_dialog->setAutoClose(false);
        m_dialog->setAutoReset(false);
        m_dialog->show();
    }
    pumpEvents();
}

void ImportProgress::hideDialog() {
    m_dialog.reset();
}

void ImportProgress::pumpEvents() {
    // Input waits until the job is done, so nothing can start in the middle of it, not even closing the dialog.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

bool ImportProgress::running() {
    return g_running;
}

void ImportProgress::setShowAfter(int milliseconds) {
    g_showAfter = milliseconds;
}
