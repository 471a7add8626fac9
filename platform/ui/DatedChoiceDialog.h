#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <optional>

namespace ui {

// A question answered by one of a few choices, one of which takes a day ("handed over on ..."): a box with the
// choices as radio buttons, a date box beside the dated one (enabled while it is chosen, never later than the
// latest day allowed), and OK and Cancel. It is the child of the screen whose handler raised it (DialogOwner), like a
// message box. Tests answer the next one with setNextAnswer() instead of showing it (nothing: cancelled), and read
// what it asked with asked().
class DatedChoiceDialog {
public:
    struct Question {
        QString title;
        QString text;
        QStringList choices;
        int chosen = 0; // the choice chosen at first
        int dated = -1; // the choice that takes a day
        QDate date;     // the day offered
        QDate latest;   // the latest day allowed; none: any
    };
    struct Answer {
        int choice = 0;
        QDate date; // for the dated choice; none for another
        bool operator==(const Answer& other) const = default;
    };

    static std::optional<Answer> ask(const Question& question);

    static void setNextAnswer(std::optional<Answer> answer);
    static const std::optional<Question>& asked();
};

} // namespace ui
