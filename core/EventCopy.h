#pragma once

#include <functional>
#include <string>

// A whole event copied from one database to another, empty one: a desk's db_sms.mdb onto a server before the
// event, or the server's event into a file afterwards, for the archive. Every table of the program is copied with
// its rows' rowids (the journal names winners by them), so the journal's chain and its check hold on the copy as they
// do on the original.
class EventCopy {
public:
    struct Result {
        std::string summary; // what was copied, and the check of the journal on both
        bool verified = false;
    };
    using Progress = std::function<void(const std::string&)>;

    // Copies `from` into `to`: a server's URI or a file's path each; a file that does not exist yet is made. Refuses a
    // target that holds any row (beyond a new database's settings row), and a table or column of the source that
    // the target has no place for. Nothing is written to the target unless all of it is.
    static Result run(const std::string& from, const std::string& to, const Progress& progress = {});
};
