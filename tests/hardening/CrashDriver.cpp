// Runs the program's own save and upload on a database and reports each confirmed step on stdout, so that a test
// can kill it (SIGKILL) at any moment and then check what the database kept.
//
//   hardening_crash_driver DIR save FIRST       saves winners "Hadiah FIRST", "Hadiah FIRST+1", ... until killed;
//                                               prints "saved <prize>" once "Data Sudah Disimpan" was shown
//   hardening_crash_driver DIR upload FILE      prints "uploading", uploads FILE into tb_peserta, prints "uploaded"
//   hardening_crash_driver DIR export FILE      prints "exporting", exports the winners to FILE with "Export Excel",
//                                               prints "exported"
//   hardening_crash_driver DIR export-named FILE    the same with an export file written under a name from the
//                                               start, as on a file system without unnamed files (200,000 lines)
//   hardening_crash_driver DIR round FILE       imports the prize plan FILE on "DAFTAR HADIAH", draws a round (Acak,
//                                               Stop), prints "stopped <draw numbers>" and waits to be killed
#include "draw/uAcak.h"
#include "participants/uPeserta.h"
#include "plan/uHadiah.h"
#include "platform/files/ExportFile.h"
#include "platform/files/PosixFileSystem.h"
#include "platform/ui/Timer.h"
#include "tests/support/TestApplication.h"
#include "winners/uPemenang.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

[[noreturn]] void fail(const QString& why) {
    std::printf("error %s\n", why.toUtf8().constData());
    std::fflush(stdout);
    std::exit(2);
}

void failOnErrorShown() {
    const QStringList errors = TestApplication::texts(ui::MessageBox::Kind::Error);
    if (!errors.isEmpty()) fail(errors.join(QStringLiteral(" | ")));
}

void announce(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout); // the test acts on the line at once
}

[[noreturn]] void saveWinners(long long first) {
    for (long long i = first;; ++i) {
        TestApplication::clear();
        fAcak->BitBtn4->click(); // "Tampilkan"
        const std::string prize = "Hadiah " + std::to_string(i);
        fAcak->ed_hadiah->setText(QString::fromStdString(prize));
        fAcak->BitBtn2->click(); // "&Simpan"
        failOnErrorShown();
        if (!TestApplication::texts(ui::MessageBox::Kind::Information).contains(QStringLiteral("Data Sudah Disimpan")))
            fail(QStringLiteral("no confirmation for ") + QString::fromStdString(prize));
        announce("saved " + prize);
    }
}

void upload(const QString& file) {
    fAcak->BitBtn7->click(); // "Lihat Peserta"
    ui::FileDialog::setNextFileName(file);
    fPeserta->SpeedButton7->click(); // "Import": the preview
    failOnErrorShown();
    TestApplication::clear();
    announce("uploading");
    fPeserta->SpeedButton6->click(); // "Upload.."
    failOnErrorShown();
    const QString done = file + QStringLiteral(" has been imported!\n");
    const QStringList said = TestApplication::texts(ui::MessageBox::Kind::Plain);
    if (std::none_of(said.begin(), said.end(), [&done](const QString& text) { return text.startsWith(done); }))
        fail(QStringLiteral("no confirmation: ") + TestApplication::texts(ui::MessageBox::Kind::Plain).join(u'|'));
    announce("uploaded");
}

void exportWinners(const QString& file) {
    fAcak->BitBtn6->click(); // "Lihat Pemenang"
    failOnErrorShown();
    TestApplication::clear();
    announce("exporting");
    ui::FileDialog::setNextFileName(file);
    fPemenang->BitBtn2->click(); // "Export Excel"
    failOnErrorShown();
    if (!TestApplication::texts(ui::MessageBox::Kind::Plain).contains(QStringLiteral("Export Data Pemenang Sukses")))
        fail(QStringLiteral("no confirmation of the export"));
    announce("exported");
}

void exportNamed(const QString& path) {
    files::PosixFileSystem named(files::PosixFileSystem::Temporaries::Named);
    announce("exporting");
    files::ExportFile file(path, named);
    for (int line = 1; line <= 200000; ++line)
        file.writeLine(std::to_string(line) + "\tNama Pemenang\tHadiah\t");
    file.commit();
    announce("exported");
}

// A round of the plan stopped, shown and never saved: the program is killed with it on the screen.
[[noreturn]] void stopRound(const QString& plan) {
    fAcak->btn_daftarHadiah->click();
    ui::FileDialog::setNextFileName(plan);
    fHadiah->BitBtn1->click(); // "Import"
    failOnErrorShown();
    fHadiah->close();
    fAcak->FormActivate(fAcak);
    fAcak->btn_acak->click();
    emit fAcak->Timer2->timeout();
    fAcak->btn_stop->click();
    failOnErrorShown();
    QStringList numbers;
    if (!fAcak->lst_putaran->isHidden())
        for (int i = 0; i < fAcak->lst_putaran->topLevelItemCount(); ++i)
            numbers << fAcak->lst_putaran->topLevelItem(i)->text(1);
    else
        numbers << fAcak->ed_msisdn->text();
    announce("stopped " + numbers.join(QLatin1Char(' ')).toStdString());
    for (;;)
        std::this_thread::sleep_for(std::chrono::seconds(1));
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(
            stderr,
            "usage: %s DIR save FIRST | DIR upload FILE | DIR export FILE | DIR export-named FILE | DIR round FILE\n",
            argv[0]);
        return 1;
    }
    const QString directory = QString::fromLocal8Bit(argv[1]);
    const std::string mode = argv[2];
    TestApplication program(directory);
    failOnErrorShown();
    if (mode == "save") saveWinners(std::atoll(argv[3]));
    if (mode == "export" || mode == "export-named") {
        const QString file = QString::fromLocal8Bit(argv[3]);
        mode == "export" ? exportWinners(file) : exportNamed(file);
        return 0;
    }
    if (mode == "upload") {
        upload(QString::fromLocal8Bit(argv[3]));
        return 0;
    }
    if (mode == "round") stopRound(QString::fromLocal8Bit(argv[3]));
    std::fprintf(stderr, "unknown mode %s\n", mode.c_str());
    return 1;
}
