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

// The prize plan (tb_hadiah) and its rounds.
inline constexpr char kPrizeAdded[] = "prize_added"; // a prize typed into the plan's grid
inline constexpr char kPrizeChanged[] = "prize_changed";
inline constexpr char kPrizeDeleted[] = "prize_deleted";
inline constexpr char kPlanImported[] = "plan_imported";       // "Import" on the plan's screen: the plan replaced
inline constexpr char kRoundStopped[] = "round_stopped";       // "Stop" with a plan: the round's picks, before shown
inline constexpr char kRoundSaved[] = "round_saved";           // "Simpan" with a plan: every winner of the round
inline constexpr char kRoundCancelled[] = "round_cancelled";   // "Batal" with a plan
inline constexpr char kWinnerForfeited[] = "winner_forfeited"; // "Tidak Hadir": a winner forfeits the prize
inline constexpr char kEventNamed[] = "event_named";           // "Nama acara" on the plan's screen changed
// A winner's prize handed over, not taken, or back to still to be handed over (the winners screen).
inline constexpr char kHandoverChanged[] = "handover_changed";

// The keyed draw that anyone can recompute ("Undian Terverifikasi").
inline constexpr char kEventSealed[] = "event_sealed";                // "Segel Undian": L, Lp, P, R and the sources
inline constexpr char kKeyFixed[] = "key_fixed";                      // the values and the key K, before the first pick
inline constexpr char kPublicListExported[] = "public_list_exported"; // "Export Daftar Publik"

// The kinds that change the participants table.
inline constexpr const char* kParticipantChanges[] = {kParticipantAdded, kParticipantChanged, kParticipantDeleted,
                                                      kParticipantsCleared, kUpload};

} // namespace record::event
