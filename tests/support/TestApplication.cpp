#include "tests/support/TestApplication.h"
#include "tests/support/TestDatabase.h"

#include "app/Program.h"
#include "data/uData.h"
#include "platform/ui/FileDialog.h"

#include <QDir>

TestApplication::TestApplication(const QString& databaseDirectory, const QString& logoDirectory) {
    ui::MessageBox::setRecording(true);
    ui::MessageBox::clearShown();
    ui::FileDialog::forgetLastFolder(); // as at a start of the program
    TDTModule::setDatabaseDirectory(databaseDirectory);
    TDTModule::setDatabase({});
    QDir::setCurrent(logoDirectory.isEmpty() ? QString::fromLatin1(TOMBOLIKA_RESOURCES_DIR) : logoDirectory);
    program::initialize();
    program::createForms();
}

TestApplication::TestApplication(const TestDatabase& database, const QString& logoDirectory) {
    ui::MessageBox::setRecording(true);
    ui::MessageBox::clearShown();
    ui::FileDialog::forgetLastFolder();
    TDTModule::setDatabaseDirectory(database.directory());
    TDTModule::setDatabase(database.store() == Store::Server ? QString::fromStdString(database.path()) : QString());
    QDir::setCurrent(logoDirectory.isEmpty() ? QString::fromLatin1(TOMBOLIKA_RESOURCES_DIR) : logoDirectory);
    program::initialize();
    program::createForms();
}

TestApplication::~TestApplication() {
    program::destroyForms();
}

QList<ui::MessageBox::Shown> TestApplication::shown() {
    return ui::MessageBox::shown();
}

QStringList TestApplication::texts(ui::MessageBox::Kind kind) {
    QStringList result;
    for (const auto& m : ui::MessageBox::shown())
        if (m.kind == kind) result << m.text;
    return result;
}

void TestApplication::clear() {
    ui::MessageBox::clearShown();
    ui::FileDialog::forgetLastFolder(); // as at a start of the program
}
