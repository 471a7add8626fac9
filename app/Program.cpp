#include "app/Program.h"

#include "core/Look.h"
#include "data/uData.h"
#include "draw/uAcak.h"
#include "draw/uPenonton.h"
#include "participants/uPeserta.h"
#include "plan/uHadiah.h"
#include "platform/ui/ErrorHandler.h"
#include "platform/ui/MessageBox.h"
#include "winners/uPemenang.h"

#include <QApplication>

namespace program {

QString withFullStop(const QString& message) {
    if (!message.isEmpty() && message.back() > QLatin1Char('.')) return message + QLatin1Char('.');
    return message;
}

void showException(const QString& message) {
    ui::MessageBox::error(withFullStop(message));
}

void initialize() {
    QApplication::setApplicationName(Title);
    QApplication::setApplicationDisplayName(QString());
    ui::MessageBox::setApplicationTitle(Title);
    ui::setErrorHandler(&showException);
    look::substituteFonts();
}

void createForms() {
    DTModule = new TDTModule();
    ui::guarded([] { DTModule->DataModuleCreate(DTModule); });
    core::Session& session = DTModule->session;
    if (!session.tablesMade().empty()) {
        // A server's new database gets the program's tables at its first start: the operator is told so.
        QStringList tables;
        for (const std::string& table : session.tablesMade())
            tables << QString::fromStdString(table);
        ui::MessageBox::information(
            QStringLiteral("The program's tables were missing from the database %1 and were made now: %2.")
                .arg(QString::fromStdString(session.connection().displayName()), tables.join(QStringLiteral(", "))));
    }
    fAcak = new TfAcak(session);
    // The screen the hall sees follows the draw itself; the draw screen opens it (F11) and takes its keys. A window
    // of its own, owned by no other: an owned window would stay above the draw screen on the same monitor, where
    // the operator switches back to the draw screen with Alt+Tab.
    fPenonton = new TfPenonton(fAcak, look::BannerText);
    session.draw().addObserver(fPenonton);
    fAcak->setAudience(fPenonton);
    ui::guarded([] { fAcak->FormCreate(fAcak); });
    fPemenang = new TfPemenang(session);
    ui::guarded([] { fPemenang->FormCreate(fPemenang); });
    fPeserta = new TfPeserta(session);
    fHadiah = new TfHadiah(session);
    QObject::connect(fAcak, &TfAcak::winnersScreenWanted, fPemenang, &TfPemenang::showFromDraw);
    QObject::connect(fAcak, &TfAcak::participantsScreenWanted, fPeserta, &TfPeserta::showFromDraw);
    QObject::connect(fAcak, &TfAcak::planScreenWanted, fHadiah, &TfHadiah::showFromDraw);
}

void destroyForms() {
    delete fHadiah;
    fHadiah = nullptr;
    delete fPeserta;
    fPeserta = nullptr;
    delete fPemenang;
    fPemenang = nullptr;
    DTModule->session.draw().removeObserver(fPenonton);
    delete fPenonton;
    fPenonton = nullptr;
    delete fAcak;
    fAcak = nullptr;
    delete DTModule;
    DTModule = nullptr;
}

} // namespace program
