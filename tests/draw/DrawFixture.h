#pragma once

#include "draw/uAcak.h"
#include "tests/support/TestApplication.h"
#include "tests/support/TestDatabase.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <functional>
#include <memory>

// The program started on a fresh database with the draw screen shown; the database can be prepared first.
class DrawFixture {
public:
    explicit DrawFixture(const std::function<void(TestDatabase&)>& prepare = {})
        : m_db(std::make_unique<TestDatabase>()) {
        if (prepare) prepare(*m_db);
        m_app = std::make_unique<TestApplication>(*m_db);
        fAcak->Timer1->setEnabled(false); // the marquee is tested on its own; keep the event loop quiet
        fAcak->show();
        fAcak->activateWindow();
        if (!QTest::qWaitForWindowActive(fAcak)) qWarning("the draw screen did not become active");
    }
    ~DrawFixture() {
        m_app.reset();
        m_db.reset();
    }
    DrawFixture(const DrawFixture&) = delete;
    DrawFixture& operator=(const DrawFixture&) = delete;

    TestDatabase& db() { return *m_db; }

    static QPushButton* button(const char* name) { return fAcak->findChild<QPushButton*>(QString::fromLatin1(name)); }
    static QLineEdit* edit(const char* name) { return fAcak->findChild<QLineEdit*>(QString::fromLatin1(name)); }
    static QPlainTextEdit* memo() { return fAcak->findChild<QPlainTextEdit*>(QStringLiteral("Memo1")); }
    static void click(const char* name) { QTest::mouseClick(button(name), Qt::LeftButton); }

private:
    std::unique_ptr<TestDatabase> m_db;
    std::unique_ptr<TestApplication> m_app;
};
