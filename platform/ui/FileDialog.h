#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>
#include <optional>

namespace ui {

// The only place that shows file dialogs. Each dialog object keeps its last file name, as the screens expect.
// A dialog is the child of the given screen, or of the screen whose handler raised it (DialogOwner), so it opens
// above that screen. It opens in the folder of its own last file, else in the folder of the last file any dialog
// gave this run, else in the operator's documents folder (never in the working folder, which for an installed
// program is its hidden data folder); a save dialog offers its suggested name there, and the first name filter is
// the one selected.
// A test answers the next dialog with setNextFileName() (an empty name cancels it) and reads the parent that dialog
// would have had with answeredParent(), and what it would have offered with offered().
class FileDialog {
public:
    enum class Mode { Open, Save };
    // What a dialog offers when it opens: its folder, the name it proposes there (empty for none) and the selected
    // name filter.
    struct Offer {
        QString folder;
        QString name;
        QString filter;
    };

    explicit FileDialog(Mode mode) : m_mode(mode) {}

    // The title, the name filters and the suffix a save adds to a name without one, in one call.
    void setUp(const QString& title, const QStringList& filters, const QString& suffix = {}) {
        m_title = title;
        m_filters = filters;
        m_suffix = suffix;
    }
    void setTitle(const QString& title) { m_title = title; }
    void setNameFilters(const QStringList& filters) { m_filters = filters; }
    void setDefaultSuffix(const QString& suffix) { m_suffix = suffix; }
    // The name a save dialog proposes, in place of the last one chosen.
    void setSuggestedName(const QString& name) { m_suggestedName = name; }
    QString fileName() const { return m_fileName; }
    const QString& title() const { return m_title; }
    const QStringList& nameFilters() const { return m_filters; }

    // What the dialog would offer if it were shown now.
    Offer offer() const;
    // Shows the dialog; false when the user cancelled. A save dialog asks before replacing a file.
    bool execute(QWidget* parent);

    // The folder a dialog without a file of its own opens in; the operator's documents folder until a dialog gives a
    // file. forgetLastFolder() goes back to that, as at the program's start.
    static QString lastFolder();
    static void forgetLastFolder();

    static void setNextFileName(const QString& name);
    static QWidget* answeredParent();
    static Offer offered();

private:
    void chosen(const QString& name);

    Mode m_mode;
    QString m_title;
    QStringList m_filters;
    QString m_suffix;
    QString m_suggestedName;
    QString m_fileName;
};

} // namespace ui
