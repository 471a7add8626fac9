#include "platform/ui/FileDialog.h"

#include "platform/ui/DialogOwner.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPointer>
#include <QStandardPaths>

namespace ui {

namespace {
std::optional<QString>& nextName() {
    static std::optional<QString> value;
    return value;
}
QPointer<QWidget>& answeredParentOf() {
    static QPointer<QWidget> value;
    return value;
}
FileDialog::Offer& offeredByLast() {
    static FileDialog::Offer value;
    return value;
}
QString& lastFolderUsed() {
    static QString value;
    return value;
}

QString documentsFolder() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !documents.isEmpty() && QFileInfo(documents).isDir() ? documents : QDir::homePath();
}
} // namespace

QString FileDialog::lastFolder() {
    return lastFolderUsed().isEmpty() ? documentsFolder() : lastFolderUsed();
}

void FileDialog::forgetLastFolder() {
    lastFolderUsed().clear();
}

void FileDialog::setNextFileName(const QString& name) {
    nextName() = name;
    answeredParentOf() = nullptr;
}

QWidget* FileDialog::answeredParent() {
    return answeredParentOf();
}

FileDialog::Offer FileDialog::offered() {
    return offeredByLast();
}

FileDialog::Offer FileDialog::offer() const {
    const QFileInfo last(m_fileName);
    const bool lastFolderKept = !m_fileName.isEmpty() && last.absoluteDir().exists();
    Offer offer;
    offer.folder = lastFolderKept ? last.absolutePath() : lastFolder();
    if (m_mode == Mode::Save && !m_suggestedName.isEmpty())
        offer.name = m_suggestedName;
    else if (lastFolderKept)
        offer.name = last.fileName();
    offer.filter = m_filters.value(0);
    return offer;
}

void FileDialog::chosen(const QString& name) {
    m_fileName = name;
    lastFolderUsed() = QFileInfo(name).absolutePath();
}

bool FileDialog::execute(QWidget* parent) {
    if (!parent) parent = DialogOwner::parentForDialog();
    const Offer offer = this->offer();
    offeredByLast() = offer;
    if (nextName()) {
        answeredParentOf() = parent;
        const QString name = *nextName();
        nextName().reset();
        if (name.isEmpty()) return false;
        chosen(name);
        return true;
    }
    QFileDialog dialog(parent, m_title);
    dialog.setAcceptMode(m_mode == Mode::Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(m_mode == Mode::Save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilters(m_filters);
    if (!offer.filter.isEmpty()) dialog.selectNameFilter(offer.filter);
    if (!m_suffix.isEmpty()) dialog.setDefaultSuffix(m_suffix);
    dialog.setDirectory(offer.folder);
    if (!offer.name.isEmpty()) dialog.selectFile(offer.name);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    dialog.setSizeGripEnabled(true);
    DialogOwner::keepAboveScreensOnTop(&dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    chosen(QFileInfo(dialog.selectedFiles().first()).absoluteFilePath());
    return true;
}

} // namespace ui
