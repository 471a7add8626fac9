#pragma once

#include "platform/ui/MessageBox.h"

#include <QString>

class TestDatabase;

// Starts the program's four objects against a test database, as the program starts them, with message boxes
// recorded instead of shown. The logo is looked for in logoDirectory (the working directory is changed to it).
class TestApplication {
public:
    explicit TestApplication(const QString& databaseDirectory, const QString& logoDirectory = {});
    // On a test database of either store.
    explicit TestApplication(const TestDatabase& database, const QString& logoDirectory = {});
    ~TestApplication();
    TestApplication(const TestApplication&) = delete;
    TestApplication& operator=(const TestApplication&) = delete;

    // The messages shown so far, and only those of one kind.
    static QList<ui::MessageBox::Shown> shown();
    static QStringList texts(ui::MessageBox::Kind kind);
    static void clear();
};
