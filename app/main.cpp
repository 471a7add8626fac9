#include "app/CommandLine.h"
#include "app/Program.h"
#include "app/RecordCommands.h"
#include "app/StartGuard.h"
#include "data/uData.h"
#include "draw/uAcak.h"
#include "platform/ui/ErrorHandler.h"

#include <QApplication>
#include <cstdio>
#include <optional>

int main(int argc, char** argv) {
    // --verify, --minutes, --help and --version open no window, so they run before there is a QApplication, which
    // needs a display.
    if (const auto code = RecordCommands::run(argc, argv)) return *code;
    std::optional<StartGuard> guard(std::in_place, argc, argv);
    QApplication app(argc, argv);
    guard.reset();
    QApplication::setApplicationVersion(program::Version);
    program::initialize();

    const CommandLine commandLine = CommandLine::parse(QApplication::arguments());
    switch (commandLine.action) {
    case CommandLine::Action::ShowText:
        std::fputs(qPrintable(commandLine.text), stdout);
        return 0;
    case CommandLine::Action::Refuse:
        // On the terminal for whoever typed it, and in a box for an operator who started it from a menu.
        std::fprintf(stderr, "tombolika: %s\n", qPrintable(commandLine.text));
        ui::reportError(commandLine.text);
        return CommandLine::RefusedStatus;
    case CommandLine::Action::Start:
        break;
    case CommandLine::Action::Verify:
    case CommandLine::Action::Minutes:
    case CommandLine::Action::Create:
    case CommandLine::Action::Copy:
        return CommandLine::RefusedStatus; // not reached: they ran before the QApplication
    }
    if (!commandLine.folder.isEmpty()) TDTModule::setFolder(commandLine.folder);
    if (!commandLine.database.isEmpty()) TDTModule::setDatabase(commandLine.database);

    program::createForms();
    fAcak->show();
    const int result = QApplication::exec();
    program::destroyForms();
    return result;
}
