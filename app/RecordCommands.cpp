#include "app/RecordCommands.h"

#include "app/CommandLine.h"
#include "app/Program.h"
#include "core/EventCopy.h"
#include "core/Schema.h"
#include "core/minutes/Minutes.h"
#include "core/record/Verification.h"
#include "data/uData.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QTextStream>
#include <cstring>
#include <memory>

namespace RecordCommands {

namespace {

constexpr int kUnreadable = 2;

// The database named, or db_sms.mdb where the program keeps it (the folder of --folder, or beside the program).
std::string databasePath(const CommandLine& line) {
    const QString path = line.database.isEmpty()
                             ? QDir(TDTModule::databaseDirectory()).filePath(QStringLiteral("db_sms.mdb"))
                             : line.database;
    return QDir::toNativeSeparators(path).toStdString();
}

int verify(const CommandLine& line) {
    const auto check = record::Verification::of(databasePath(line));
    if (line.json)
        QTextStream(stdout) << QJsonDocument(check.json()).toJson(QJsonDocument::Indented);
    else
        QTextStream(stdout) << check.text();
    return check.exitCode();
}

int minutes(const CommandLine& line) {
    const auto check = record::Verification::of(databasePath(line));
    if (check.outcome() == record::Verification::Outcome::Unreadable) {
        QTextStream(stderr) << "tombolika: " << check.verdict() << '\n';
        return kUnreadable;
    }
    try {
        Minutes::writePdf(check, Minutes::headerNow(), line.minutes);
    } catch (const std::exception& error) {
        QTextStream(stderr) << "tombolika: " << QString::fromUtf8(error.what()) << '\n';
        return kUnreadable;
    }
    QTextStream(stdout) << "Berita acara: " << QDir::toNativeSeparators(QFileInfo(line.minutes).absoluteFilePath())
                        << '\n'
                        << check.verdict() << '\n';
    return check.exitCode();
}

// --create: the program's tables in a server's empty database, or a new file with them.
int create() {
    const std::string database = TDTModule::database();
    const QString shown = QString::fromStdString(db::withoutPassword(database));
    try {
        if (!db::isServerAddress(database) && !QFileInfo::exists(QString::fromStdString(database))) {
            schema::createDatabase(database);
            QTextStream(stdout) << "Made the database " << shown << " with the program's tables.\n";
            return 0;
        }
        db::Connection connection;
        connection.setDatabasePath(database);
        connection.open();
        const std::vector<std::string> made = schema::createMissingTables(connection);
        if (made.empty()) {
            QTextStream(stdout) << shown << " already holds the program's tables.\n";
            return 0;
        }
        QStringList names;
        for (const std::string& table : made)
            names << QString::fromStdString(table);
        QTextStream(stdout) << "Made the program's tables in " << shown << ": " << names.join(QStringLiteral(", "))
                            << ".\n";
        return 0;
    } catch (const std::exception& error) {
        QTextStream(stderr) << "tombolika: " << QString::fromUtf8(error.what()) << '\n';
        return kUnreadable;
    }
}

// --copy FROM TO: the whole event into an empty database, then the journal checked on both.
int copy(const CommandLine& line) {
    try {
        const EventCopy::Result result =
            EventCopy::run(line.copyFrom.toStdString(), line.copyTo.toStdString(), [](const std::string& progress) {
                QTextStream(stdout) << QString::fromStdString(progress) << '\n';
            });
        QTextStream(stdout) << QString::fromStdString(result.summary);
        return result.verified ? 0 : 1;
    } catch (const std::exception& error) {
        QTextStream(stderr) << "tombolika: " << QString::fromUtf8(error.what()) << '\n';
        return kUnreadable;
    }
}

bool asked(int argc, char** argv, const char* option) {
    const std::size_t length = std::strlen(option);
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], option, length) == 0 && (argv[i][length] == '\0' || argv[i][length] == '='))
            return true;
    return false;
}

} // namespace

std::optional<int> run(int argc, char** argv) {
    const bool writeMinutes = asked(argc, argv, "--minutes");
    // Help and the version are text for a terminal, which may have no display either.
    bool asksForText = false;
    for (const char* option : {"-h", "-?", "--help", "--help-all", "-v", "--version"})
        asksForText = asksForText || asked(argc, argv, option);
    if (!writeMinutes && !asked(argc, argv, "--verify") && !asked(argc, argv, "--create") &&
        !asked(argc, argv, "--copy") && !asksForText)
        return std::nullopt;

    std::unique_ptr<QCoreApplication> app;
    if (writeMinutes) {
        // The minutes lay out text, which needs a platform plugin; no display is needed for it.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(program::Title);
    QCoreApplication::setApplicationVersion(program::Version);

    const CommandLine line = CommandLine::parse(QCoreApplication::arguments());
    if (!line.folder.isEmpty()) TDTModule::setFolder(line.folder);
    if (!line.database.isEmpty()) TDTModule::setDatabase(line.database);
    switch (line.action) {
    case CommandLine::Action::Create:
        return create();
    case CommandLine::Action::Copy:
        return copy(line);
    case CommandLine::Action::Verify:
        return verify(line);
    case CommandLine::Action::Minutes:
        return minutes(line);
    case CommandLine::Action::ShowText:
        QTextStream(stdout) << line.text;
        return 0;
    case CommandLine::Action::Refuse:
        QTextStream(stderr) << "tombolika: " << line.text << '\n';
        return CommandLine::RefusedStatus;
    case CommandLine::Action::Start:
        break; // "--minutes" was the value of another option: the usual start, with an application of its own
    }
    return std::nullopt;
}

} // namespace RecordCommands
