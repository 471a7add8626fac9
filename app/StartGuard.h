#pragma once

#include <QString>
#include <QStringList>

// Qt ends a program whose window system cannot be reached (no display on a terminal, a platform that cannot be
// loaded) with an abort and a core dump. While a StartGuard lives, around the construction of the QApplication, that
// end becomes a message on stderr and the exit status of a refused command line: the refusal of the command line
// when it is refused, else what could not be opened. Qt's own messages of that time are held back and passed on
// once the application stands.
class StartGuard {
public:
    StartGuard(int argc, char** argv);
    ~StartGuard();
    StartGuard(const StartGuard&) = delete;
    StartGuard& operator=(const StartGuard&) = delete;

    // What the program says when it cannot open its window, for these arguments (the program's own name first) and
    // these values of DISPLAY and QT_QPA_PLATFORM.
    static QString whyNoWindow(const QStringList& arguments, const QString& display, const QString& platform);
};
