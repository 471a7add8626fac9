#pragma once

#include <QDialog>
#include <QString>
#include <optional>
#include <utility>

class QDialogButtonBox;
class QLabel;
class QVBoxLayout;

namespace ui {

// The frame of the program's own dialogs: a box owned like a message box (DialogOwner), titled, its contents in one
// column; the caller adds them in order (addText() for a paragraph), then OK and Cancel with addButtons(), and shows
// it with exec().
class DialogFrame {
public:
    explicit DialogFrame(const QString& title);
    DialogFrame(const DialogFrame&) = delete;
    DialogFrame& operator=(const DialogFrame&) = delete;

    QDialog& dialog() { return m_dialog; }
    QVBoxLayout* layout() const { return m_layout; }

    // A paragraph, wrapped to the box's width.
    QLabel* addText(const QString& text);
    QDialogButtonBox* addButtons();
    // Shown above the screens that stay on top; true when the operator pressed OK.
    bool exec();

private:
    QDialog m_dialog;
    QVBoxLayout* m_layout;
};

// The test hook of a dialog: the question last asked, and the answer a test set for the next one, given once
// instead of showing the box (nothing: cancelled).
template <class Question, class Answer> class NextAnswer {
public:
    void set(std::optional<Answer> answer) {
        m_set = true;
        m_answer = std::move(answer);
    }
    const std::optional<Question>& asked() const { return m_asked; }

    // Records the question; the answer set for it, if a test set one (then cleared), else nothing.
    std::optional<std::optional<Answer>> take(const Question& question) {
        m_asked = question;
        if (!std::exchange(m_set, false)) return std::nullopt;
        return std::exchange(m_answer, std::nullopt);
    }

private:
    bool m_set = false;
    std::optional<Answer> m_answer;
    std::optional<Question> m_asked;
};

} // namespace ui
