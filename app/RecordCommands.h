#pragma once

#include <optional>

// The command-line modes that open no window: "--verify [DATABASE]" checks the journal and prints its report,
// "--minutes FILE.pdf [DATABASE]" writes the minutes of the draws. Without a database named, the program's own
// db_sms.mdb. Exit codes: 0 intact, 1 broken, 2 the database cannot be read (or the minutes cannot be written).
namespace RecordCommands {

// The exit code, or nothing when the arguments name neither mode and the program starts as usual. Makes its own
// application object: a QCoreApplication for --verify, a QGuiApplication (offscreen unless a platform is set) for
// --minutes.
std::optional<int> run(int argc, char** argv);

} // namespace RecordCommands
