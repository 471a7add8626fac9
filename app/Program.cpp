#include "app/Program.h"

#include "data/uData.h"
#include "draw/uAcak.h"
#include "participants/uPeserta.h"
#include "platform/ui/ErrorHandler.h"
#include "platform/ui/MessageBox.h"
#include "winners/uPemenang.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>

namespace program {

QString withFullStop(const QString& message) {
    if (!message.isEmpty() && message.back() > QLatin1Char('.')) return message + QLatin1Char('.');
    return message;
}

void showException(const QString& message) {
    ui::MessageBox::error(withFullStop(message));
}

void setupFonts() {
    const QStringList families = QFontDatabase::families();
    auto substitute = [&](const QString& wanted, const QStringList& candidates) {
        if (families.contains(wanted, Qt::CaseInsensitive)) return;
        QFont::insertSubstitutions(wanted, candidates);
    };
    substitute(QStringLiteral("Verdana"), {QStringLiteral("DejaVu Sans"), QStringLiteral("Tahoma")});
    substitute(QStringLiteral("Bookman Old Style"),
               {QStringLiteral("URW Bookman"), QStringLiteral("URW Bookman L"), QStringLiteral("DejaVu Serif")});
    substitute(QStringLiteral("MS Sans Serif"), {QStringLiteral("DejaVu Sans")});
}

QString recordDocumentation() {
    const QString path = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral(TOMBOLIKA_RECORD_DOC));
    return QFileInfo::exists(path) ? path : QString();
}

Minutes::Header minutesHeader() {
    return {Title, Version, QDateTime::currentDateTime(), recordDocumentation()};
}

void initialize() {
    QApplication::setApplicationName(Title);
    QApplication::setApplicationDisplayName(QString());
    ui::MessageBox::setApplicationTitle(Title);
    ui::setErrorHandler(&showException);
    setupFonts();
}

void createForms() {
    DTModule = new TDTModule();
    ui::guarded([] { DTModule->DataModuleCreate(DTModule); });
    fAcak = new TfAcak();
    ui::guarded([] { fAcak->FormCreate(fAcak); });
    fPemenang = new TfPemenang();
    ui::guarded([] { fPemenang->FormCreate(fPemenang); });
    fPeserta = new TfPeserta();
}

void destroyForms() {
    delete fPeserta;
    fPeserta = nullptr;
    delete fPemenang;
    fPemenang = nullptr;
    delete fAcak;
    fAcak = nullptr;
    delete DTModule;
    DTModule = nullptr;
}

} // namespace program
