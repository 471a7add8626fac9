// The audience screen at 3840 x 2160: what one repaint of the flashing number costs (target: under 2 ms), for a
// normal eight-character number and for long ones, painted alone and through the window's backing store; the
// first paint at a new size (every glyph drawn once); and a whole-window repaint for comparison. Then the draw
// screen shuffling at 1 ms over 100,000 participants for two seconds, without and with the audience screen shown
// at 3840 x 2160: how many ticks came, and how many times the audience screen painted.
#include "app/Program.h"
#include "bench/make_participants.h"
#include "data/uData.h"
#include "draw/uAcak.h"
#include "draw/uPenonton.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Timer.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QPushButton>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <random>
#include <time.h>
#include <vector>

namespace {

const QSize k4K(3840, 2160);

// Milliseconds of processor time this thread has used: on a busy machine the wall time of a step includes
// whatever ran meanwhile.
double threadMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

struct Figures {
    double median = 0, p95 = 0, cpuMedian = 0, cpuP95 = 0;
};

template <class Step> Figures timed(int rounds, Step step) {
    std::vector<double> wall, cpu;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer timer;
        timer.start();
        const double before = threadMilliseconds();
        step(i);
        cpu.push_back(threadMilliseconds() - before);
        wall.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(wall.begin(), wall.end());
    std::sort(cpu.begin(), cpu.end());
    const std::size_t p95 = wall.size() * 95 / 100;
    return {wall[wall.size() / 2], wall[p95], cpu[cpu.size() / 2], cpu[p95]};
}

void print(const char* what, const Figures& f) {
    std::printf("%-58s wall %6.3f ms (95 %%: %6.3f)   processor %6.3f ms (95 %%: %6.3f)\n", what, f.median, f.p95,
                f.cpuMedian, f.cpuP95);
}

// Draw numbers as a shuffle shows them: random digits after a fixed prefix.
class Numbers {
public:
    explicit Numbers(int length) : m_length(length) {}
    QString next() {
        QString number = QStringLiteral("U");
        while (number.size() < m_length)
            number += QChar(u'0' + static_cast<char16_t>(m_digit(m_random)));
        return number;
    }

private:
    int m_length;
    std::mt19937 m_random{20240601};
    std::uniform_int_distribution<int> m_digit{0, 9};
};

// Paint events a widget receives.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

// The shuffle at 1 ms for two seconds: ticks that came, and paints of the audience screen.
void shuffleAtOneMillisecond(bool withAudience) {
    QTemporaryDir directory;
    bench::makeParticipants(QDir(directory.path()).filePath(QStringLiteral("db_sms.mdb")).toStdString(), 100000);
    ui::MessageBox::setRecording(true);
    TDTModule::setDatabaseDirectory(directory.path());
    program::initialize();
    program::createForms(); // the logo, looked for in the working directory, is not needed here
    fAcak->Timer1->setEnabled(false);
    fAcak->Timer2->setInterval(1);
    fAcak->show();
    PaintCounter counter;
    TfPenonton* audience = fPenonton;
    if (withAudience) {
        audience->setGeometry(QRect(QPoint(0, 0), k4K));
        audience->show();
    }
    QApplication::processEvents();
    audience->installEventFilter(&counter);
    fAcak->btn_acak->click();
    fAcak->Timer2->setEnabled(false);
    // The tick handler alone, as the timer calls it: what the audience screen adds to it is storing the number.
    constexpr int kTicks = 20000;
    const double handlerBefore = threadMilliseconds();
    for (int i = 0; i < kTicks; ++i)
        emit fAcak->Timer2->timeout();
    const double handlerUs = (threadMilliseconds() - handlerBefore) * 1e3 / kTicks;
    QApplication::processEvents();
    fAcak->Timer2->setEnabled(true);
    int ticks = 0;
    QObject::connect(fAcak->Timer2, &ui::Timer::timeout, [&] { ++ticks; });
    QElapsedTimer timer;
    timer.start();
    const double cpuBefore = threadMilliseconds();
    while (timer.elapsed() < 2000)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    const double cpu = threadMilliseconds() - cpuBefore;
    fAcak->btn_stop->click();
    std::printf("%-58s tick handler %5.1f us; %4d ticks/s, audience painted %3d times/s, processor %3.0f %%\n",
                withAudience ? "shuffle at 1 ms, audience at 3840 x 2160 shown" : "shuffle at 1 ms, audience closed",
                handlerUs, ticks / 2, counter.paints / 2, cpu / 20.0);
    program::destroyForms();
}

} // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    program::initialize();
    constexpr int kRounds = 400;

    TfPenonton screen(nullptr, QStringLiteral("Tombolika Application"));
    screen.resize(k4K);
    screen.participantsCounted(1000000, std::nullopt);
    screen.shuffleStarted();
    QImage target(k4K, QImage::Format_RGB32);
    target.fill(Qt::black);

    screen.numberShown(QStringLiteral("U0000000"));
    screen.render(&target);
    const QRegion tick(screen.numberBox()); // what a tick marks for repainting
    std::printf("Audience screen %dx%d, number %d px high (%d px font), %.0f %% of the width\n", k4K.width(),
                k4K.height(), screen.numberRect().height(), screen.numberPixelSize(),
                100.0 * screen.numberRect().width() / k4K.width());

    for (int length : {8, 12, 24}) {
        Numbers numbers(length);
        QElapsedTimer first;
        first.start();
        screen.numberShown(numbers.next());
        screen.render(&target, QPoint(), tick);
        const double firstMs = static_cast<double>(first.nsecsElapsed()) / 1e6;
        const Figures alone = timed(kRounds, [&](int) {
            screen.numberShown(numbers.next());
            screen.render(&target, QPoint(), tick);
        });
        char what[96];
        std::snprintf(what, sizeof what, "repaint of a %d-character number (%d px font)", length,
                      screen.numberPixelSize());
        print(what, alone);
        std::printf("%-58s %6.3f ms\n", "  its first paint at that size (glyphs drawn once)", firstMs);
    }

    // Through the window as the event loop paints it: the backing store and its flush included.
    screen.show();
    QApplication::processEvents();
    Numbers numbers(8);
    const Figures windowed = timed(kRounds, [&](int) {
        screen.numberShown(numbers.next());
        screen.repaint(screen.numberBox());
    });
    print("repaint of an 8-character number in the shown window", windowed);

    const Figures whole = timed(20, [&](int) { screen.render(&target); });
    print("whole window (not done at a tick)", whole);

    // What the glyph pictures save: the same number drawn as text, which Qt fills as paths at this size.
    QFont font(QStringLiteral("Bookman Old Style"));
    font.setBold(true);
    font.setPixelSize(screen.numberPixelSize());
    QPainter painter(&target);
    painter.setFont(font);
    painter.setPen(QColor(0x00, 0xFF, 0x00));
    const Figures asText = timed(kRounds / 4, [&](int) {
        painter.fillRect(screen.numberBox(), Qt::black);
        painter.drawText(screen.numberBox(), Qt::AlignCenter, numbers.next());
    });
    print("  the same 8-character number drawn as text, for comparison", asText);
    painter.end();
    screen.hide();

    shuffleAtOneMillisecond(false);
    shuffleAtOneMillisecond(true);
    std::printf("Target: a repaint of the number under 2 ms at 3840 x 2160\n");
    return 0;
}
