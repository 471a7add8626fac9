#pragma once

#include "core/RowWrites.h"
#include "core/Settings.h"
#include "core/draw/Draw.h"
#include "core/participants/Participants.h"
#include "core/record/Journal.h"
#include "core/winners/Handovers.h"
#include "core/winners/Winners.h"
#include "platform/db/Connection.h"

#include <QString>
#include <string>
#include <vector>

namespace core {

// One operator's session with db_sms.mdb, created at start-up and handed to every screen: the one connection, the
// journal that records every change made over it (the table cursors' writes through its hook), the settings, and
// the draw with the sealed list it draws from and the prize plan it follows, the participants and the winners.
class Session {
public:
    Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Opens the database at `path`: a missing file is an error, never a new empty database. An older file gains
    // what this version keeps, when it can be written; one that cannot be written is still drawn from. On a server
    // (`path` a postgresql:// URI) the program's tables that are missing are made first: tablesMade() names them
    // (not those a file makes only when first needed: the journal's, the prize plan's).
    void open(const std::string& path);
    const std::vector<std::string>& tablesMade() const { return m_tablesMade; }

    db::Connection& connection() { return m_connection; }
    record::Journal& journal() { return m_journal; }
    Settings& settings() { return m_settings; }
    Draw& draw() { return m_draw; }
    // The prize plan the draw follows.
    PrizePlan& plan() { return m_draw.plan(); }
    Participants& participants() { return m_participants; }
    Winners& winners() { return m_winners; }
    // Whether each winner's prize was handed over.
    Handovers& handovers() { return m_handovers; }

    // LOGO.JPG, shown in the draw screen's top band and on the audience screen.
    const QString& logoPath() const { return m_logoPath; }
    void setLogoPath(const QString& path) { m_logoPath = path; }

private:
    db::Connection m_connection;
    record::Journal m_journal{m_connection};
    Settings m_settings{m_connection};
    // After the connection, so it is gone (its list let go) before the connection closes.
    Draw m_draw{m_connection, m_journal, m_settings};
    RowWrites m_rowWrites{m_connection, m_journal, m_draw};
    Participants m_participants{m_connection, m_journal};
    Winners m_winners{m_connection, m_journal};
    Handovers m_handovers{m_connection, m_journal};
    QString m_logoPath;
    std::vector<std::string> m_tablesMade;
};

} // namespace core
