#include "platform/ui/MessageBox.h"

#include "platform/ui/DialogOwner.h"

#include <optional>

namespace ui {

namespace {
QString& title() {
    static QString value;
    return value;
}
bool& recordingFlag() {
    static bool value = false;
    return value;
}
QList<MessageBox::Shown>& log() {
    static QList<MessageBox::Shown> value;
    return value;
}
std::optional<QMessageBox::StandardButton>& nextAnswer() {
    static std::optional<QMessageBox::StandardButton> value;
    return value;
}
} // namespace

void MessageBox::setApplicationTitle(const QString& value) {
    title() = value;
}
QString MessageBox::applicationTitle() {
    return title();
}

void MessageBox::information(const QString& text) {
    show(Kind::Information, QStringLiteral("Information"), text);
}
void MessageBox::plain(const QString& text) {
    show(Kind::Plain, title(), text);
}
void MessageBox::error(const QString& text) {
    show(Kind::Error, title(), text);
}
bool MessageBox::confirm(const QString& text) {
    return show(Kind::Confirmation, QStringLiteral("Confirm"), text) == QMessageBox::Ok;
}

bool MessageBox::ask(const QString& text) {
    return show(Kind::Question, title(), text) == QMessageBox::Yes;
}

void MessageBox::setRecording(bool on) {
    recordingFlag() = on;
}
const QList<MessageBox::Shown>& MessageBox::shown() {
    return log();
}
void MessageBox::clearShown() {
    log().clear();
}
void MessageBox::setNextAnswer(QMessageBox::StandardButton answer) {
    nextAnswer() = answer;
}

QMessageBox::StandardButton MessageBox::show(Kind kind, const QString& caption, const QString& text) {
    const QMessageBox::StandardButton fallback = kind == Kind::Question ? QMessageBox::Yes : QMessageBox::Ok;
    QWidget* parent = DialogOwner::parentForDialog();
    if (recordingFlag()) {
        log().append({kind, caption, text, parent});
        const auto answer = nextAnswer().value_or(fallback);
        nextAnswer().reset();
        return answer;
    }
    QMessageBox box(parent);
    box.setWindowTitle(caption);
    box.setText(text);
    switch (kind) {
    case Kind::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case Kind::Plain:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case Kind::Error:
        box.setIcon(QMessageBox::Critical);
        break;
    case Kind::Confirmation:
    case Kind::Question:
        box.setIcon(QMessageBox::Question);
        break;
    }
    if (kind == Kind::Confirmation) {
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Ok);
    } else if (kind == Kind::Question) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    if (nextAnswer()) {
        const auto answer = *nextAnswer();
        nextAnswer().reset();
        return answer;
    }
    DialogOwner::keepAboveScreensOnTop(&box);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

} // namespace ui
