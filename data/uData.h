#pragma once

#include "platform/db/Connection.h"

#include <QObject>
#include <QString>

// The data module: owns the one connection every screen uses.
class TDTModule : public QObject {
    Q_OBJECT
public:
    explicit TDTModule(QObject* parent = nullptr);

    db::Connection cn;

    // Opens cn on db_sms.mdb in the program's own directory.
    void DataModuleCreate(QObject* Sender);

    // Where db_sms.mdb is looked for: the executable's directory, unless a test points elsewhere.
    static QString databaseDirectory();
    static void setDatabaseDirectory(const QString& directory);
};

extern TDTModule* DTModule;
