#include "data/uData.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

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
QString& databaseOverride() {
    static QString value;
    return value;
}
} // namespace

TDTModule::TDTModule(QObject* parent) : QObject(parent) {
    setObjectName(QStringLiteral("DTModule"));
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

void TDTModule::setDatabase(const QString& database) {
    databaseOverride() = database;
}

std::string TDTModule::database() {
    const QString& named = databaseOverride();
    if (named.isEmpty())
        return QDir::toNativeSeparators(QDir(databaseDirectory()).filePath(QStringLiteral("db_sms.mdb"))).toStdString();
    if (db::isServerAddress(named.toStdString())) return named.toStdString();
    return QDir::toNativeSeparators(QFileInfo(named).absoluteFilePath()).toStdString();
}

void TDTModule::DataModuleCreate(QObject*) {
    session.setLogoPath(QDir(logoDirectory()).absoluteFilePath(QStringLiteral("LOGO.JPG")));
    session.open(database());
}
