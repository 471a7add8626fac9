#pragma once

#include <optional>

// The command-line modes that open no window (CommandLine: --verify and --minutes, and --help and --version). They
// must choose their application object before any exists: a QCoreApplication for --verify and the texts, a
// QGuiApplication on the offscreen platform (unless one is set) for --minutes, where the draw screen's QApplication
// would need a display.
namespace RecordCommands {

// The exit status of --verify or --minutes when the arguments ask for one of them (0 intact, 1 broken, 2 the
// database cannot be read, the minutes cannot be written or the command line is refused); nothing otherwise, and
// the program starts as usual.
std::optional<int> run(int argc, char** argv);

} // namespace RecordCommands
