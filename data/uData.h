#pragma once

#include "core/Session.h"

#include <QObject>
#include <QString>

// The data module, created first at start-up: it owns the session (the one connection every screen uses, the
// journal, the settings and the draw), which it hands to each screen as the screen is made.
class TDTModule : public QObject {
    Q_OBJECT
public:
    explicit TDTModule(QObject* parent = nullptr);

    core::Session session;
    db::Connection& cn = session.connection();
    // The record of the draws: every change made over cn, by the table cursors (through the hook) or by the rules
    // beneath the screens, gets its entry in the same transaction.
    record::Journal& journal = session.journal();

    // Opens cn on db_sms.mdb in databaseDirectory(); the logo is LOGO.JPG in logoDirectory().
    void DataModuleCreate(QObject* Sender);

    // Where db_sms.mdb is looked for: the folder given with --folder, else the executable's directory (a test may
    // point elsewhere).
    static QString databaseDirectory();
    static void setDatabaseDirectory(const QString& directory);

    // Where LOGO.JPG is read from: the folder given with --folder, else the working directory.
    static QString logoDirectory();

    // --folder: db_sms.mdb and LOGO.JPG both live in this folder; empty goes back to the defaults.
    static void setFolder(const QString& folder);

    // --database: the database to open instead of db_sms.mdb, a server's URI or a file's path; empty goes back to
    // db_sms.mdb in databaseDirectory().
    static void setDatabase(const QString& database);
    // The database DataModuleCreate() opens.
    static std::string database();
};

extern TDTModule* DTModule;
