#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

CommandLine refused(const QString& message) {
    CommandLine result;
    result.action = CommandLine::Action::Refuse;
    result.text = message;
    return result;
}

CommandLine shown(const QString& text) {
    CommandLine result;
    result.action = CommandLine::Action::ShowText;
    result.text = text;
    return result;
}

// A start on the folder given, as an absolute path, or why it cannot be.
CommandLine startOn(const QString& given) {
    if (given.isEmpty()) return refused(QStringLiteral("--folder needs the folder that holds db_sms.mdb."));
    const QFileInfo info(given);
    const QString shownPath = QDir::toNativeSeparators(given);
    if (!info.exists()) return refused(QStringLiteral("The folder \"%1\" does not exist.").arg(shownPath));
    if (!info.isDir()) return refused(QStringLiteral("\"%1\" is not a folder.").arg(shownPath));
    CommandLine result;
    result.folder = QDir::cleanPath(info.absoluteFilePath());
    return result;
}

} // namespace

CommandLine CommandLine::parse(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Runs public prize draws."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption folder(QStringLiteral("folder"),
                                    QStringLiteral("Use db_sms.mdb in <folder> and read LOGO.JPG from it (without "
                                                   "it: db_sms.mdb beside the program, LOGO.JPG from the working "
                                                   "folder)."),
                                    QStringLiteral("folder"));
    parser.addOption(folder);
    const QCommandLineOption verify(QStringLiteral("verify"),
                                    QStringLiteral("Check the journal of the draws in [database] (without it: the "
                                                   "program's db_sms.mdb), print what it holds and end: exit status "
                                                   "0 intact, 1 broken, 2 unreadable. Opens no window."));
    parser.addOption(verify);
    const QCommandLineOption minutes(QStringLiteral("minutes"),
                                     QStringLiteral("Write the minutes of the draws in [database] to <file.pdf> and "
                                                    "end, with the exit status of --verify. Opens no window."),
                                     QStringLiteral("file.pdf"));
    parser.addOption(minutes);
    const QCommandLineOption database(
        QStringLiteral("database"),
        QStringLiteral("Use <database> instead of db_sms.mdb: a PostgreSQL server's connection URI "
                       "(postgresql://desk@server/undian) on which several desks run one event, or a file's path."),
        QStringLiteral("database"));
    parser.addOption(database);
    const QCommandLineOption create(QStringLiteral("create"),
                                    QStringLiteral("Make the program's tables in the database of --database (an "
                                                   "empty one on a server, or a new file) and end. Opens no window."));
    parser.addOption(create);
    const QCommandLineOption copy(QStringLiteral("copy"),
                                  QStringLiteral("Copy a whole event (participants, winners, settings and the journal) "
                                                 "from <from> to the database named after it, which must be empty, "
                                                 "and end: a file to a server or a server to a file. Opens no "
                                                 "window."),
                                  QStringLiteral("from"));
    parser.addOption(copy);
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("With --verify: print the whole check as one JSON document, the keyed "
                                                 "draw's seal, key and picks included, for auditors' tools."));
    parser.addOption(json);
    parser.addPositionalArgument(QStringLiteral("[database]"),
                                 QStringLiteral("With --verify or --minutes: the database to read. With --copy: the "
                                                "database to copy to."));

    if (!parser.parse(arguments)) return refused(parser.errorText());
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) return shown(parser.helpText());
    if (parser.isSet(version))
        return shown(QCoreApplication::applicationName() + QLatin1Char(' ') + QCoreApplication::applicationVersion() +
                     QLatin1Char('\n'));
    const QStringList positional = parser.positionalArguments();
    const bool reads = parser.isSet(verify) || parser.isSet(minutes);
    const int modes =
        int(parser.isSet(verify)) + int(parser.isSet(minutes)) + int(parser.isSet(create)) + int(parser.isSet(copy));
    if (parser.isSet(verify) && parser.isSet(minutes))
        return refused(QStringLiteral("--verify and --minutes cannot be given together."));
    if (modes > 1) return refused(QStringLiteral("Give one of --verify, --minutes, --create and --copy."));
    if (parser.isSet(json) && !parser.isSet(verify)) return refused(QStringLiteral("--json goes with --verify."));
    if (parser.isSet(database) && parser.value(database).isEmpty())
        return refused(QStringLiteral("--database needs a server's URI or a file's path."));
    if (parser.isSet(copy)) {
        if (parser.value(copy).isEmpty() || positional.size() != 1)
            return refused(QStringLiteral("--copy needs the database to copy from and the one to copy to: "
                                          "--copy FROM TO."));
        CommandLine result;
        result.action = Action::Copy;
        result.copyFrom = parser.value(copy);
        result.copyTo = positional.front();
        return result;
    }
    if (parser.isSet(create)) {
        if (!positional.isEmpty()) return refused(QStringLiteral("Unexpected argument '%1'.").arg(positional.front()));
        if (!parser.isSet(database))
            return refused(QStringLiteral("--create needs --database: the server's URI or the new file's path."));
        CommandLine result;
        result.action = Action::Create;
        result.database = parser.value(database);
        return result;
    }
    if (reads && parser.isSet(database) && !positional.isEmpty())
        return refused(QStringLiteral("Name the database once: with --database or after --verify or --minutes."));
    if (positional.size() > (reads ? 1 : 0))
        return refused(QStringLiteral("Unexpected argument '%1'.").arg(positional.at(reads ? 1 : 0)));

    CommandLine result;
    // A database named to --verify or --minutes is read wherever the folder is: the launcher names the operator's
    // folder every time, whether the operator has one yet or not.
    const bool namesDatabase = reads && (!positional.isEmpty() || parser.isSet(database));
    if (parser.isSet(folder) && !namesDatabase) {
        result = startOn(parser.value(folder));
        if (result.action == Action::Refuse) return result;
    }
    result.database = parser.value(database); // the folder still holds LOGO.JPG
    if (!reads) return result;
    if (parser.isSet(minutes) && parser.value(minutes).isEmpty())
        return refused(QStringLiteral("--minutes needs the name of the PDF to write."));
    result.action = parser.isSet(verify) ? Action::Verify : Action::Minutes;
    if (!positional.isEmpty()) result.database = positional.front();
    result.minutes = parser.value(minutes);
    result.json = parser.isSet(json);
    return result;
}
