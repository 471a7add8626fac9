#include "app/RecordCommands.h"

#include "app/Application.h"
#include "data/uData.h"
#include "platform/minutes/Minutes.h"
#include "platform/record/Verification.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QGuiApplication>
#include <QTextStream>
#include <cstring>
#include <memory>

namespace RecordCommands {

namespace {

constexpr int kUnreadable = 2;

QString databasePath(const QString& given) {
    if (!given.isEmpty()) return given;
    return QDir(TDTModule::databaseDirectory()).filePath(QStringLiteral("db_sms.mdb"));
}

int verify(const QString& database) {
    const auto check = record::Verification::of(QDir::toNativeSeparators(database).toStdString());
    QTextStream(stdout) << check.text();
    return check.exitCode();
}

int minutes(const QString& pdf, const QString& database) {
    const auto check = record::Verification::of(QDir::toNativeSeparators(database).toStdString());
    if (check.outcome() == record::Verification::Outcome::Unreadable) {
        QTextStream(stderr) << check.verdict() << '\n';
        return kUnreadable;
    }
    try {
        Minutes::writePdf(check, {Application::Title, Application::Version, QDateTime::currentDateTime()}, pdf);
    } catch (const std::exception& error) {
        QTextStream(stderr) << QString::fromUtf8(error.what()) << '\n';
        return kUnreadable;
    }
    QTextStream(stdout) << "Berita acara: " << QDir::toNativeSeparators(QFileInfo(pdf).absoluteFilePath()) << '\n'
                        << check.verdict() << '\n';
    return check.exitCode();
}

} // namespace

std::optional<int> run(int argc, char** argv) {
    const char* mode = nullptr;
    int at = 0;
    for (int i = 1; i < argc && !mode; ++i)
        if (std::strcmp(argv[i], "--verify") == 0 || std::strcmp(argv[i], "--minutes") == 0) {
            mode = argv[i];
            at = i;
        }
    if (!mode) return std::nullopt;
    const bool writeMinutes = std::strcmp(mode, "--minutes") == 0;

    std::unique_ptr<QCoreApplication> app;
    if (writeMinutes) {
        // The minutes lay out text, which needs a platform; no display is needed for it.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(Application::Title);
    const QStringList arguments = QCoreApplication::arguments().mid(at + 1);

    if (!writeMinutes) return verify(databasePath(arguments.value(0)));
    if (arguments.isEmpty()) {
        QTextStream(stderr) << "Usage: tombolika --minutes FILE.pdf [DATABASE]\n";
        return kUnreadable;
    }
    return minutes(arguments.at(0), databasePath(arguments.value(1)));
}

} // namespace RecordCommands
