#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace ui {

// A question answered by one of a few choices, or by a text typed beside the last one ("other"): a box with the
// choices as radio buttons, the first chosen, and OK and Cancel. It is the child of the screen whose handler raised
// it (DialogOwner), like a message box. Tests answer the next one with setNextAnswer() instead of showing it
// (nothing: cancelled), and read what it asked with asked().
class ChoiceDialog {
public:
    struct Question {
        QString title;
        QString text;
        QStringList choices;
        QString other; // the caption of the choice that takes a typed text
    };

    // The choice, or the text typed for the other one with its runs of white space made one space; nothing when
    // cancelled. OK stays disabled while the other one is chosen and nothing is typed.
    static std::optional<QString> ask(const Question& question);

    static void setNextAnswer(std::optional<QString> answer);
    static const std::optional<Question>& asked();
};

} // namespace ui
