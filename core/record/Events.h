#pragma once

// The kinds of the journal's entries, as stored in tb_jurnal.jenis. docs/record.md lists what each one's details
// hold.
namespace record::event {

inline constexpr char kJournalBegun[] = "journal_begun";     // the first entry: what the tables held then
inline constexpr char kProgramStarted[] = "program_started"; // one per run of the program: the list drawn from
inline constexpr char kProgramEnded[] = "program_ended";
inline constexpr char kListReloaded[] = "list_reloaded"; // "Muat Ulang Daftar": the list the run draws from now
inline constexpr char kStop[] = "stop";                  // "Stop": the rank drawn and the participant it selected
inline constexpr char kShow[] = "show";                  // "Tampilkan": the participant copied into the details
inline constexpr char kCancel[] = "cancel";              // "Batal": the details emptied
inline constexpr char kWinnerSaved[] = "winner_saved";   // "Simpan" on the draw screen
inline constexpr char kWinnerAdded[] = "winner_added";   // a row typed into the winners grid
inline constexpr char kWinnerChanged[] = "winner_changed";
inline constexpr char kWinnerDeleted[] = "winner_deleted";
inline constexpr char kParticipantAdded[] = "participant_added";
inline constexpr char kParticipantChanged[] = "participant_changed";
inline constexpr char kParticipantDeleted[] = "participant_deleted";
inline constexpr char kParticipantsCleared[] = "participants_cleared"; // "Hapus Semua"
inline constexpr char kUpload[] = "upload";
inline constexpr char kExport[] = "export";
inline constexpr char kSpeedChanged[] = "speed_changed";
inline constexpr char kSettingChanged[] = "setting_changed"; // another field of setup
inline constexpr char kRowAdded[] = "row_added";             // a cursor's write to another table
inline constexpr char kRowChanged[] = "row_changed";
inline constexpr char kRowDeleted[] = "row_deleted";

// The kinds that change the participants table.
inline constexpr const char* kParticipantChanges[] = {kParticipantAdded, kParticipantChanged, kParticipantDeleted,
                                                      kParticipantsCleared, kUpload};

} // namespace record::event
