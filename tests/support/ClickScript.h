#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QTest>
#include <functional>

// An operator's steps as a screen test's table writes them: "show; input; type DBEdit2 Dewi Lestari; simpan".
// Steps are separated by ";"; each is a verb and, after a blank, the words it takes. An unknown verb fails the test,
// and so does the first step that fails one: the steps after it are not run.
class ClickScript {
public:
    using Words = std::function<void(const QStringList& words)>;

    // A step without words, and one with them.
    ClickScript& on(const QString& verb, std::function<void()> step) {
        m_steps.insert(verb, [step = std::move(step)](const QStringList&) { step(); });
        return *this;
    }
    ClickScript& onWords(const QString& verb, Words step) {
        m_steps.insert(verb, std::move(step));
        return *this;
    }
    // Runs after every step, given its verb: for what must hold all along.
    ClickScript& afterEach(std::function<void(const QString& verb)> check) {
        m_afterEach = std::move(check);
        return *this;
    }

    void run(const QString& script) const {
        for (const QString& step : script.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            QStringList words = step.trimmed().split(QLatin1Char(' '));
            const QString verb = words.takeFirst();
            const auto found = m_steps.constFind(verb);
            if (found == m_steps.constEnd()) QFAIL(qPrintable(QStringLiteral("unknown step ") + step));
            found.value()(words);
            if (QTest::currentTestFailed()) return;
            if (m_afterEach) m_afterEach(verb);
            if (QTest::currentTestFailed()) return;
        }
    }

private:
    QHash<QString, Words> m_steps;
    std::function<void(const QString& verb)> m_afterEach;
};
