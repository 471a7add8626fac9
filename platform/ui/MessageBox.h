#pragma once

#include <QList>
#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <QWidget>

namespace ui {

// The only place that shows message boxes. A box is the child of the screen that raised it (DialogOwner), so it
// opens above that screen. Tests switch on recording: boxes are then not shown but kept in a list, with the parent
// each would have had, and the next question is answered with what setNextAnswer() gave.
class MessageBox {
public:
    enum class Kind { Information, Plain, Error, Confirmation, Question };
    struct Shown {
        Kind kind;
        QString caption;
        QString text;
        QPointer<QWidget> parent;
    };

    static void setApplicationTitle(const QString& title);
    static QString applicationTitle();

    // Information icon, caption "Information", one OK button.
    static void information(const QString& text);
    // The application title as caption, no icon, one OK button.
    static void plain(const QString& text);
    // The application title as caption, the stop icon, one OK button.
    static void error(const QString& text);
    // Question icon, OK and Cancel; true for OK.
    static bool confirm(const QString& text);
    // Before something that cannot be undone: the application title as caption, question icon, Yes and No with No
    // as the default button (Enter or Escape on the box keeps things as they are); true for Yes. Recording answers
    // Yes unless setNextAnswer() says otherwise.
    static bool ask(const QString& text);

    static void setRecording(bool on);
    static const QList<Shown>& shown();
    static void clearShown();
    static void setNextAnswer(QMessageBox::StandardButton answer);

private:
    static QMessageBox::StandardButton show(Kind kind, const QString& caption, const QString& text);
};

} // namespace ui
