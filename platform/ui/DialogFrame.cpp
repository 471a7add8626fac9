#include "platform/ui/DialogFrame.h"

#include "platform/ui/DialogOwner.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

namespace ui {

DialogFrame::DialogFrame(const QString& title) : m_dialog(DialogOwner::parentForDialog()) {
    m_dialog.setWindowTitle(title);
    m_layout = new QVBoxLayout(&m_dialog);
}

QLabel* DialogFrame::addText(const QString& text) {
    auto* label = new QLabel(text, &m_dialog);
    label->setWordWrap(true);
    m_layout->addWidget(label);
    return label;
}

QDialogButtonBox* DialogFrame::addButtons() {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &m_dialog);
    m_layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &m_dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &m_dialog, &QDialog::reject);
    return buttons;
}

bool DialogFrame::exec() {
    DialogOwner::keepAboveScreensOnTop(&m_dialog);
    return m_dialog.exec() == QDialog::Accepted;
}

} // namespace ui
