// The reason box as the operator answers it: a choice, a text typed for the other one, or Cancel.
#include "platform/ui/ChoiceDialog.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>
#include <functional>

class ChoiceDialogTest : public QObject {
    Q_OBJECT

    static ui::ChoiceDialog::Question question() {
        return {QStringLiteral("Tidak Hadir"),
                QStringLiteral("Mengapa?"),
                {QStringLiteral("tidak hadir"), QStringLiteral("menolak hadiah")},
                QStringLiteral("lainnya:")};
    }

    // Asks, and acts on the real box as soon as it is up.
    static std::optional<QString> answer(const std::function<void(QDialog&)>& act) {
        QTimer poll;
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* shown = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!shown || !shown->isVisible()) return;
            poll.stop();
            act(*shown);
        });
        poll.start();
        return ui::ChoiceDialog::ask(question());
    }

    static QPushButton* ok(QDialog& box) { return box.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok); }

private slots:
    void theFirstChoiceIsChosen() {
        QCOMPARE(answer([](QDialog& box) { ok(box)->click(); }), std::optional<QString>(QStringLiteral("tidak hadir")));
    }

    void anotherChoice() {
        const auto chosen = answer([](QDialog& box) {
            box.findChildren<QRadioButton*>().at(1)->click();
            ok(box)->click();
        });
        QCOMPARE(chosen, std::optional<QString>(QStringLiteral("menolak hadiah")));
    }

    // Typing chooses the other one; OK waits for a text that is not blank, which is given back with its spaces made
    // single.
    void typedReason() {
        const auto typed = answer([](QDialog& box) {
            auto* edit = box.findChild<QLineEdit*>();
            QTest::keyClicks(edit, QStringLiteral("   "));
            QVERIFY(box.findChildren<QRadioButton*>().last()->isChecked());
            QVERIFY(!ok(box)->isEnabled());
            QTest::keyClicks(edit, QStringLiteral("sakit   di rumah "));
            QVERIFY(ok(box)->isEnabled());
            ok(box)->click();
        });
        QCOMPARE(typed, std::optional<QString>(QStringLiteral("sakit di rumah")));
    }

    void cancelled() {
        QCOMPARE(answer([](QDialog& box) { box.reject(); }), std::nullopt);
    }

    void answeredByATest() {
        ui::ChoiceDialog::setNextAnswer(QStringLiteral("menolak hadiah"));
        QCOMPARE(ui::ChoiceDialog::ask(question()), std::optional<QString>(QStringLiteral("menolak hadiah")));
        QCOMPARE(ui::ChoiceDialog::asked()->choices.size(), 2);
        ui::ChoiceDialog::setNextAnswer(std::nullopt);
        QCOMPARE(ui::ChoiceDialog::ask(question()), std::nullopt);
    }
};

QTEST_MAIN(ChoiceDialogTest)
#include "ChoiceDialogTest.moc"
