#include "platform/ui/DatedChoiceDialog.h"

#include "platform/ui/DialogOwner.h"

#include <QButtonGroup>
#include <QDateEdit>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

namespace ui {

namespace {

struct NextAnswer {
    bool set = false;
    std::optional<DatedChoiceDialog::Answer> answer;
};

NextAnswer& next() {
    static NextAnswer value;
    return value;
}

std::optional<DatedChoiceDialog::Question>& lastAsked() {
    static std::optional<DatedChoiceDialog::Question> value;
    return value;
}

} // namespace

void DatedChoiceDialog::setNextAnswer(std::optional<Answer> answer) {
    next() = {true, answer};
}

const std::optional<DatedChoiceDialog::Question>& DatedChoiceDialog::asked() {
    return lastAsked();
}

std::optional<DatedChoiceDialog::Answer> DatedChoiceDialog::ask(const Question& question) {
    lastAsked() = question;
    if (next().set) {
        const std::optional<Answer> answer = next().answer;
        next() = {};
        return answer;
    }
    QDialog dialog(DialogOwner::parentForDialog());
    dialog.setWindowTitle(question.title);
    auto* layout = new QVBoxLayout(&dialog);
    auto* text = new QLabel(question.text, &dialog);
    text->setWordWrap(true);
    layout->addWidget(text);
    auto* group = new QButtonGroup(&dialog);
    auto* date = new QDateEdit(question.date.isValid() ? question.date : QDate::currentDate(), &dialog);
    date->setDisplayFormat(QStringLiteral("dd-MM-yyyy"));
    date->setCalendarPopup(true);
    if (question.latest.isValid()) date->setMaximumDate(question.latest);
    for (qsizetype i = 0; i < question.choices.size(); ++i) {
        auto* button = new QRadioButton(question.choices[i], &dialog);
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
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    const auto settle = [&] { date->setEnabled(group->checkedId() == question.dated); };
    QObject::connect(group, &QButtonGroup::idToggled, &dialog, settle);
    if (QAbstractButton* chosen = group->button(question.chosen)) chosen->setChecked(true);
    settle();
    DialogOwner::keepAboveScreensOnTop(&dialog);
    if (dialog.exec() != QDialog::Accepted || group->checkedId() < 0) return std::nullopt;
    const int choice = group->checkedId();
    return Answer{choice, choice == question.dated ? date->date() : QDate()};
}

} // namespace ui
