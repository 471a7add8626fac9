#include "platform/ui/DatedChoiceDialog.h"

#include "platform/ui/DialogFrame.h"

#include <QButtonGroup>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QVBoxLayout>

namespace ui {

namespace {

NextAnswer<DatedChoiceDialog::Question, DatedChoiceDialog::Answer>& hook() {
    static NextAnswer<DatedChoiceDialog::Question, DatedChoiceDialog::Answer> value;
    return value;
}

} // namespace

void DatedChoiceDialog::setNextAnswer(std::optional<Answer> answer) {
    hook().set(answer);
}

const std::optional<DatedChoiceDialog::Question>& DatedChoiceDialog::asked() {
    return hook().asked();
}

std::optional<DatedChoiceDialog::Answer> DatedChoiceDialog::ask(const Question& question) {
    if (auto answer = hook().take(question)) return *answer;
    DialogFrame box(question.title);
    QDialog* dialog = &box.dialog();
    QVBoxLayout* layout = box.layout();
    box.addText(question.text);
    auto* group = new QButtonGroup(dialog);
    auto* date = new QDateEdit(question.date.isValid() ? question.date : QDate::currentDate(), dialog);
    date->setDisplayFormat(QStringLiteral("dd-MM-yyyy"));
    date->setCalendarPopup(true);
    if (question.latest.isValid()) date->setMaximumDate(question.latest);
    for (qsizetype i = 0; i < question.choices.size(); ++i) {
        auto* button = new QRadioButton(question.choices[i], dialog);
        group->addButton(button, static_cast<int>(i));
        if (i != question.dated) {
            layout->addWidget(button);
            continue;
        }
        // The day beside its choice, read as one line: "diserahkan [12-05-2025]".
        auto* line = new QHBoxLayout;
        line->addWidget(button);
        line->addWidget(date);
        line->addStretch();
        layout->addLayout(line);
        date->setAccessibleName(question.choices[i]);
    }
    if (question.dated < 0) date->hide();
    box.addButtons();
    const auto settle = [&] { date->setEnabled(group->checkedId() == question.dated); };
    QObject::connect(group, &QButtonGroup::idToggled, dialog, settle);
    if (QAbstractButton* chosen = group->button(question.chosen)) chosen->setChecked(true);
    settle();
    if (!box.exec() || group->checkedId() < 0) return std::nullopt;
    const int choice = group->checkedId();
    return Answer{choice, choice == question.dated ? date->date() : QDate()};
}

} // namespace ui
