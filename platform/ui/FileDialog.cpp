#include "platform/ui/FileDialog.h"

#include "platform/ui/DialogOwner.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QPointer>

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
} // namespace

void FileDialog::setNextFileName(const QString& name) {
    nextName() = name;
    answeredParentOf() = nullptr;
}

QWidget* FileDialog::answeredParent() {
    return answeredParentOf();
}

bool FileDialog::execute(QWidget* parent) {
    if (!parent) parent = DialogOwner::parentForDialog();
    if (nextName()) {
        answeredParentOf() = parent;
        const QString name = *nextName();
        nextName().reset();
        if (name.isEmpty()) return false;
        m_fileName = name;
        return true;
    }
    QFileDialog dialog(parent, m_title);
    dialog.setAcceptMode(m_mode == Mode::Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(m_mode == Mode::Save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilters(m_filters);
    if (!m_suffix.isEmpty()) dialog.setDefaultSuffix(m_suffix);
    if (!m_fileName.isEmpty()) dialog.selectFile(m_fileName);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    dialog.setSizeGripEnabled(true);
    DialogOwner::keepAboveScreensOnTop(&dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    m_fileName = QFileInfo(dialog.selectedFiles().first()).absoluteFilePath();
    return true;
}

} // namespace ui
