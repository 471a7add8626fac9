#pragma once

#include "core/record/CursorJournal.h"
#include "core/record/Journal.h"
#include "platform/db/Connection.h"

#include <QObject>
#include <QString>

// The data module: owns the one connection every screen uses.
class TDTModule : public QObject {
    Q_OBJECT
public:
    explicit TDTModule(QObject* parent = nullptr);

    db::Connection cn;
    // The record of the draws: every change made over cn, by the table cursors (through the hook) or by the
    // screens' handlers, gets its entry in the same transaction.
    record::Journal journal{cn};
    record::CursorJournal cursorJournal{journal};

    // Opens cn on db_sms.mdb in databaseDirectory().
    void DataModuleCreate(QObject* Sender);

    // Where db_sms.mdb is looked for: the folder given with --folder, else the executable's directory (a test may
    // point elsewhere).
    static QString databaseDirectory();
    static void setDatabaseDirectory(const QString& directory);

    // Where LOGO.JPG is read from: the folder given with --folder, else the working directory.
    static QString logoDirectory();

    // --folder: db_sms.mdb and LOGO.JPG both live in this folder; empty goes back to the defaults.
    static void setFolder(const QString& folder);
};

extern TDTModule* DTModule;
