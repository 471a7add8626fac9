// The display's share of a shuffle tick: setting a draw number into the 60 px display, as the tick does up to 1000
// times a second. A plain line edit (how the display was built before it fitted long numbers) next to the fitting
// one, for numbers of 6, 18 and 64 characters, each run cycling through 1000 different numbers of that length.
#include "platform/ui/FittingLineEdit.h"

#include <QApplication>
#include <QLineEdit>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

std::vector<QString> numbersOf(int length) {
    std::vector<QString> numbers;
    const QString prefix = QStringLiteral("2024-DKI-JAKARTA-SELATAN-KEBAYORAN-BARU-GANDARIA-UTARA-");
    for (int i = 0; i < 1000; ++i) {
        const QString digits = QString::number(100000 + i * 7919 % 900000);
        numbers.push_back((prefix + digits).right(length));
    }
    return numbers;
}

template <class Edit> std::unique_ptr<Edit> display() {
    auto edit = std::make_unique<Edit>();
    edit->setFrame(false);
    QFont font(QStringLiteral("Bookman Old Style"));
    font.setPixelSize(60);
    font.setBold(true);
    edit->setFont(font);
    edit->resize(609, 73);
    edit->show();
    return edit;
}

template <class Edit> void SetNumber(benchmark::State& state) {
    const auto edit = display<Edit>();
    const std::vector<QString> numbers = numbersOf(static_cast<int>(state.range(0)));
    std::size_t i = 0;
    for (auto _ : state) {
        edit->setText(numbers[i]);
        i = (i + 1) % numbers.size();
    }
    state.counters["px"] = edit->font().pixelSize();
}

BENCHMARK(SetNumber<QLineEdit>)->Arg(6)->Arg(18)->Arg(64)->Unit(benchmark::kNanosecond);
BENCHMARK(SetNumber<ui::FittingLineEdit>)->Arg(6)->Arg(18)->Arg(64)->Unit(benchmark::kNanosecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    QFont::insertSubstitutions(QStringLiteral("Bookman Old Style"),
                               {QStringLiteral("URW Bookman"), QStringLiteral("DejaVu Serif")});
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    std::printf("A tick at 1000 ticks/s has 1,000,000 ns; the display's share should stay a small part of it\n");
    benchmark::Shutdown();
    return 0;
}
