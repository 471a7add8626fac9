#include "platform/ui/ChoiceDialog.h"

#include "platform/ui/DialogOwner.h"

#include <QButtonGroup>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace ui {

namespace {

struct NextAnswer {
    bool set = false;
    std::optional<QString> answer;
};

NextAnswer& next() {
    static NextAnswer value;
    return value;
}

std::optional<ChoiceDialog::Question>& lastAsked() {
    static std::optional<ChoiceDialog::Question> value;
    return value;
}

} // namespace

void ChoiceDialog::setNextAnswer(std::optional<QString> answer) {
    next() = {true, std::move(answer)};
}

const std::optional<ChoiceDialog::Question>& ChoiceDialog::asked() {
    return lastAsked();
}

std::optional<QString> ChoiceDialog::ask(const Question& question) {
    lastAsked() = question;
    if (next().set) {
        const std::optional<QString> answer = next().answer;
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
    for (const QString& choice : question.choices) {
        auto* button = new QRadioButton(choice, &dialog);
        group->addButton(button);
        layout->addWidget(button);
    }
    auto* other = new QRadioButton(question.other, &dialog);
    group->addButton(other);
    layout->addWidget(other);
    auto* typed = new QLineEdit(&dialog);
    typed->setAccessibleName(question.other);
    layout->addWidget(typed);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);

    const auto settle = [&] {
        buttons->button(QDialogButtonBox::Ok)->setEnabled(!other->isChecked() || !typed->text().trimmed().isEmpty());
    };
    QObject::connect(group, &QButtonGroup::buttonToggled, &dialog, settle);
    QObject::connect(typed, &QLineEdit::textChanged, &dialog, settle);
    // Typing into the box chooses the other one.
    QObject::connect(typed, &QLineEdit::textEdited, &dialog, [other] { other->setChecked(true); });
    group->buttons().front()->setChecked(true);
    settle();
    DialogOwner::keepAboveScreensOnTop(&dialog);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    if (other->isChecked()) return typed->text().simplified();
    return group->checkedButton()->text();
}

} // namespace ui
