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

    if (!parser.parse(arguments)) return refused(parser.errorText());
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) return shown(parser.helpText());
    if (parser.isSet(version))
        return shown(QCoreApplication::applicationName() + QLatin1Char(' ') + QCoreApplication::applicationVersion() +
                     QLatin1Char('\n'));
    if (!parser.positionalArguments().isEmpty())
        return refused(QStringLiteral("Unexpected argument '%1'.").arg(parser.positionalArguments().first()));

    if (parser.isSet(folder)) return startOn(parser.value(folder));
    return {};
}
