#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>
#include <optional>

namespace ui {

// The only place that shows file dialogs. Each dialog object keeps its last file name, as the screens expect.
// A dialog is the child of the given screen, or of the screen whose handler raised it (DialogOwner), so it opens
// above that screen. A test answers the next dialog with setNextFileName() (an empty name cancels it) and reads the
// parent that dialog would have had with answeredParent().
class FileDialog {
public:
    enum class Mode { Open, Save };
    explicit FileDialog(Mode mode) : m_mode(mode) {}

    void setTitle(const QString& title) { m_title = title; }
    void setNameFilters(const QStringList& filters) { m_filters = filters; }
    void setDefaultSuffix(const QString& suffix) { m_suffix = suffix; }
    QString fileName() const { return m_fileName; }
    const QString& title() const { return m_title; }
    const QStringList& nameFilters() const { return m_filters; }

    // Shows the dialog; false when the user cancelled. A save dialog asks before replacing a file.
    bool execute(QWidget* parent);

    static void setNextFileName(const QString& name);
    static QWidget* answeredParent();

private:
    Mode m_mode;
    QString m_title;
    QStringList m_filters;
    QString m_suffix;
    QString m_fileName;
};

} // namespace ui
