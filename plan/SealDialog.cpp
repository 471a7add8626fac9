#include "plan/SealDialog.h"

#include "platform/ui/DialogFrame.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace SealDialog {

std::optional<core::KeyedEvent::SealRequest> ask(const QString& sealed,
                                                 const std::optional<verifiable::Seal>& current) {
    ui::DialogFrame box(QStringLiteral("Segel Undian"));
    QDialog& dialog = box.dialog();
    dialog.setObjectName(QStringLiteral("SealDialog"));
    QVBoxLayout* layout = box.layout();
    layout->setSizeConstraint(QLayout::SetFixedSize); // grows as rows are shown, never squeezes the text
    auto* mode = new QCheckBox(QStringLiteral("Undian Terverifikasi"), &dialog);
    mode->setObjectName(QStringLiteral("chk_terverifikasi"));
    mode->setChecked(true);
    layout->addWidget(mode);
    box.addText(QStringLiteral("Pemenang ditentukan oleh kunci undian dari segel ini dan nilai-nilai publik yang belum "
                               "ada saat segel diumumkan, sehingga siapa pun dapat menghitung ulang setiap pemenang."
                               "\n\nYang disegel: %1.\n\nTulis setiap sumber nilai publik seperti akan diumumkan, "
                               "misalnya \"drand quicknet, ronde 12345678\" atau \"angka penutupan IHSG tanggal 2 Mei "
                               "2025\".")
                    .arg(sealed))
        ->setMinimumWidth(520);

    auto* form = new QFormLayout;
    auto* sourceCount = new QSpinBox(&dialog);
    sourceCount->setObjectName(QStringLiteral("se_sumber"));
    sourceCount->setRange(1, verifiable::kMaxPublicValues);
    form->addRow(QStringLiteral("Jumlah sumber nilai publik:"), sourceCount);
    QList<QLineEdit*> sources;
    for (int at = 0; at < verifiable::kMaxPublicValues; ++at) {
        auto* source = new QLineEdit(&dialog);
        source->setObjectName(QStringLiteral("ed_sumber%1").arg(at + 1));
        source->setAccessibleName(QStringLiteral("Sumber nilai publik %1").arg(at + 1));
        form->addRow(QStringLiteral("Sumber %1:").arg(at + 1), source);
        sources << source;
    }
    auto* witnesses = new QSpinBox(&dialog);
    witnesses->setObjectName(QStringLiteral("se_saksi"));
    witnesses->setRange(0, verifiable::kMaxWitnessValues);
    form->addRow(QStringLiteral("Jumlah nilai saksi:"), witnesses);
    layout->addLayout(form);
    QDialogButtonBox* buttons = box.addButtons();
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Segel"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Batal"));

    if (current) {
        sourceCount->setValue(static_cast<int>(current->sources.size()));
        for (qsizetype at = 0; at < current->sources.size() && at < sources.size(); ++at)
            sources[at]->setText(current->sources[at]);
        witnesses->setValue(current->witnesses);
    }
    // Only the sources counted are asked for; switched off, nothing is.
    const auto settle = [&] {
        const bool on = mode->isChecked();
        sourceCount->setEnabled(on);
        witnesses->setEnabled(on);
        bool filled = true;
        for (qsizetype at = 0; at < sources.size(); ++at) {
            const bool asked = at < sourceCount->value();
            sources[at]->setEnabled(on && asked);
            form->setRowVisible(sources[at], asked);
            filled = filled && (!asked || !sources[at]->text().trimmed().isEmpty());
        }
        buttons->button(QDialogButtonBox::Ok)
            ->setText(on ? QStringLiteral("Segel") : QStringLiteral("Matikan Undian Terverifikasi"));
        buttons->button(QDialogButtonBox::Ok)->setEnabled(!on || filled);
    };
    QObject::connect(mode, &QCheckBox::toggled, &dialog, settle);
    QObject::connect(sourceCount, &QSpinBox::valueChanged, &dialog, settle);
    for (QLineEdit* source : sources)
        QObject::connect(source, &QLineEdit::textChanged, &dialog, settle);
    settle();
    sources.front()->setFocus();
    if (!box.exec()) return std::nullopt;

    core::KeyedEvent::SealRequest request;
    request.on = mode->isChecked();
    if (!request.on) return request;
    for (int at = 0; at < sourceCount->value(); ++at)
        request.sources << sources[at]->text();
    request.witnesses = witnesses->value();
    return request;
}

} // namespace SealDialog
