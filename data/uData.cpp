#include "data/uData.h"

#include "core/Schema.h"
#include "platform/Error.h"

#include <QCoreApplication>
#include <QDir>

TDTModule* DTModule = nullptr;

namespace {
QString& directoryOverride() {
    static QString value;
    return value;
}
QString& logoOverride() {
    static QString value;
    return value;
}
} // namespace

TDTModule::TDTModule(QObject* parent) : QObject(parent) {
    setObjectName(QStringLiteral("DTModule"));
    cn.setRowWriteHook(&cursorJournal);
}

QString TDTModule::databaseDirectory() {
    return directoryOverride().isEmpty() ? QCoreApplication::applicationDirPath() : directoryOverride();
}

void TDTModule::setDatabaseDirectory(const QString& directory) {
    directoryOverride() = directory;
}

QString TDTModule::logoDirectory() {
    return logoOverride().isEmpty() ? QDir::currentPath() : logoOverride();
}

void TDTModule::setFolder(const QString& folder) {
    directoryOverride() = folder;
    logoOverride() = folder;
}

void TDTModule::DataModuleCreate(QObject*) {
    cn.close();
    const QString path = QDir(databaseDirectory()).filePath(QStringLiteral("db_sms.mdb"));
    cn.setDatabasePath(QDir::toNativeSeparators(path).toStdString());
    cn.open();
    try {
        schema::upgrade(cn); // an older file gains what this version keeps
    } catch (const platform::Error&) {
        // A file that cannot be written (read-only, locked) is still drawn from; the setting it lacks stays off
        // and says why when it is switched on.
    }
}
