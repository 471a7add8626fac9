#include "platform/ui/ChoiceDialog.h"

#include "platform/ui/DialogFrame.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace ui {

namespace {

NextAnswer<ChoiceDialog::Question, QString>& hook() {
    static NextAnswer<ChoiceDialog::Question, QString> value;
    return value;
}

} // namespace

void ChoiceDialog::setNextAnswer(std::optional<QString> answer) {
    hook().set(std::move(answer));
}

const std::optional<ChoiceDialog::Question>& ChoiceDialog::asked() {
    return hook().asked();
}

std::optional<QString> ChoiceDialog::ask(const Question& question) {
    if (auto answer = hook().take(question)) return *answer;
    DialogFrame box(question.title);
    QDialog* dialog = &box.dialog();
    QVBoxLayout* layout = box.layout();
    box.addText(question.text);
    auto* group = new QButtonGroup(dialog);
    for (const QString& choice : question.choices) {
        auto* button = new QRadioButton(choice, dialog);
        group->addButton(button);
        layout->addWidget(button);
    }
    auto* other = new QRadioButton(question.other, dialog);
    group->addButton(other);
    layout->addWidget(other);
    auto* typed = new QLineEdit(dialog);
    typed->setAccessibleName(question.other);
    layout->addWidget(typed);
    QDialogButtonBox* buttons = box.addButtons();

    const auto settle = [&] {
        buttons->button(QDialogButtonBox::Ok)->setEnabled(!other->isChecked() || !typed->text().trimmed().isEmpty());
    };
    QObject::connect(group, &QButtonGroup::buttonToggled, dialog, settle);
    QObject::connect(typed, &QLineEdit::textChanged, dialog, settle);
    // Typing into the box chooses the other one.
    QObject::connect(typed, &QLineEdit::textEdited, dialog, [other] { other->setChecked(true); });
    group->buttons().front()->setChecked(true);
    settle();
    if (!box.exec()) return std::nullopt;
    if (other->isChecked()) return typed->text().simplified();
    return group->checkedButton()->text();
}

} // namespace ui
