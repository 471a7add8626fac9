// The handover box as the operator answers it: a choice, the dated one with its day, or Cancel.
#include "platform/ui/DatedChoiceDialog.h"

#include <QApplication>
#include <QDateEdit>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>
#include <functional>

using Answer = ui::DatedChoiceDialog::Answer;

namespace {

const QDate kToday(2025, 5, 12);

ui::DatedChoiceDialog::Question question(int chosen, QDate date = kToday) {
    return {QStringLiteral("Serah Terima"),
            QStringLiteral("Hadiah TV untuk Ani (D1):"),
            {QStringLiteral("belum diserahkan"), QStringLiteral("diserahkan"), QStringLiteral("tidak diambil")},
            chosen,
            1,
            date,
            kToday};
}

// Asks, and acts on the real box as soon as it is up.
std::optional<Answer> answer(const ui::DatedChoiceDialog::Question& asked, const std::function<void(QDialog&)>& act) {
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* shown = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!shown || !shown->isVisible()) return;
        poll.stop();
        act(*shown);
    });
    poll.start();
    return ui::DatedChoiceDialog::ask(asked);
}

QPushButton* ok(QDialog& box) {
    return box.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
}

} // namespace

class DatedChoiceDialogTest : public QObject {
    Q_OBJECT

private slots:
    // The choice standing at first is chosen; the day can be given only for the dated choice, and never after the
    // latest day allowed.
    void dayOnlyForTheDatedChoice() {
        const auto answered = answer(question(0), [](QDialog& box) {
            auto* day = box.findChild<QDateEdit*>();
            QVERIFY(box.findChildren<QRadioButton*>().at(0)->isChecked());
            QVERIFY(!day->isEnabled());
            box.findChildren<QRadioButton*>().at(1)->click();
            QVERIFY(day->isEnabled());
            QCOMPARE(day->maximumDate(), kToday);
            day->setDate(kToday.addDays(3)); // beyond the latest: held at it
            QCOMPARE(day->date(), kToday);
            day->setDate(kToday.addDays(-2));
            ok(box)->click();
        });
        QCOMPARE(answered, std::optional<Answer>(Answer{1, kToday.addDays(-2)}));
    }

    // Another choice gives no day, whatever the date box held.
    void undatedChoiceHasNoDay() {
        const auto answered = answer(question(1, kToday.addDays(-5)), [](QDialog& box) {
            QCOMPARE(box.findChild<QDateEdit*>()->date(), kToday.addDays(-5));
            box.findChildren<QRadioButton*>().at(2)->click();
            ok(box)->click();
        });
        QCOMPARE(answered, std::optional<Answer>(Answer{2, QDate()}));
    }

    void cancelled() {
        QCOMPARE(answer(question(0), [](QDialog& box) { box.reject(); }), std::nullopt);
    }

    void answeredByATest() {
        ui::DatedChoiceDialog::setNextAnswer(Answer{2, {}});
        QCOMPARE(ui::DatedChoiceDialog::ask(question(0)), std::optional<Answer>(Answer{2, {}}));
        QCOMPARE(ui::DatedChoiceDialog::asked()->choices.size(), 3);
        ui::DatedChoiceDialog::setNextAnswer(std::nullopt);
        QCOMPARE(ui::DatedChoiceDialog::ask(question(0)), std::nullopt);
    }
};

QTEST_MAIN(DatedChoiceDialogTest)
#include "DatedChoiceDialogTest.moc"
