#pragma once

#include <QString>
#include <QStringList>

// What the program was asked to do on its command line. Without options it starts as always: db_sms.mdb beside
// the program, LOGO.JPG from the working directory.
struct CommandLine {
    enum class Action {
        Start,    // open the draw screen
        ShowText, // print text (the help or the version) and end
        Refuse,   // tell the operator what is wrong (text) and end without starting
        Verify,   // --verify [DATABASE]: check the journal and print the report, without a window
        Minutes,  // --minutes FILE.pdf [DATABASE]: write the minutes of the draws, without a window
        Create,   // --create: make the program's tables in the database (--database), without a window
        Copy,     // --copy FROM TO: copy a whole event from one database to another, empty one
    };

    Action action = Action::Start;
    QString text;
    // --folder: the folder that holds db_sms.mdb and LOGO.JPG, absolute; empty when not given.
    QString folder;
    // The database named with --database, or after --verify or --minutes, as given: a file's path or a server's
    // URI (postgresql://desk@server/undian); empty for the program's own db_sms.mdb.
    QString database;
    // Copy: the database copied from (the option's value) and the one copied to.
    QString copyFrom;
    QString copyTo;
    // Minutes: the PDF to write, as given.
    QString minutes;
    // Verify: --json, the whole check as one JSON document.
    bool json = false;

    // Reads the arguments as QCoreApplication::arguments() gives them (the program's own name first).
    static CommandLine parse(const QStringList& arguments);

    // The exit status of a refused command line.
    static constexpr int RefusedStatus = 2;
};
