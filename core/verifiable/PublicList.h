#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <string>

namespace verifiable {

class ParticipantList;

// What a written public list is: its fingerprint Lp, how many participants it holds and the file's SHA-256.
struct PublicListFile {
    std::string fingerprint;
    std::uint64_t rows = 0;
    std::string sha256;
};

// Writes the list the organiser publishes with the seal, all or nothing: the line "Lp,<fingerprint>", the heading
// "ID,no_undian", then one line per participant in ascending ID order, the ID in decimal and the draw number in
// double quotes (a quote inside doubled), or nothing after the comma for a draw number that is NULL. Lines end in
// LF; the draw numbers are their stored UTF-8 bytes, unchanged, so that the fingerprint recomputed from the file
// is Lp. Throws platform::Error when the file cannot be written.
//
// With `putInPlace`, the file is put in place by it rather than at once: it is given what was written and a call that
// puts the file in place, to make inside a journal entry's transaction, say. Without that call nothing is left behind.
using PutInPlace = std::function<void(const PublicListFile& written, const std::function<void()>& commit)>;
PublicListFile writePublicList(const QString& path, const ParticipantList& participants,
                               const PutInPlace& putInPlace = {});

// The name offered for the public list: "daftar-publik-" and the first 16 hex digits of Lp, ".csv".
QString publicListFileName(const std::string& fingerprint);

} // namespace verifiable
