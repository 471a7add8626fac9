#include "draw/KeyDialog.h"

#include "core/draw/KeyedEvent.h"
#include "platform/ui/DialogFrame.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace KeyDialog {

QString asUsed(const verifiable::Seal& seal, const Values& values) {
    QStringList lines;
    const std::vector<QString> used = core::KeyedEvent::valuesAsUsed(values.publicValues);
    for (std::size_t at = 0; at < used.size(); ++at)
        lines << QStringLiteral("%1: \"%2\"").arg(seal.sources.value(static_cast<qsizetype>(at)), used[at]);
    const std::vector<QString> witnesses = core::KeyedEvent::valuesAsUsed(values.witnessValues);
    for (std::size_t at = 0; at < witnesses.size(); ++at)
        lines << QStringLiteral("Saksi %1: \"%2\"").arg(at + 1).arg(witnesses[at]);
    return lines.join(QLatin1Char('\n'));
}

std::optional<Values> ask(const verifiable::Seal& seal) {
    ui::DialogFrame box(QStringLiteral("Kunci Undian"));
    QDialog& dialog = box.dialog();
    dialog.setObjectName(QStringLiteral("KeyDialog"));
    QVBoxLayout* layout = box.layout();
    layout->setSizeConstraint(QLayout::SetFixedSize); // grows as rows are shown, never squeezes the text
    box.addText(QStringLiteral("Ketik nilai setiap sumber publik persis seperti diumumkan, dan nilai yang diucapkan "
                               "setiap saksi. Kunci undian dihitung dari nilai-nilai ini dan segel undian, dan tidak "
                               "dapat diubah lagi."))
        ->setMinimumWidth(520);
    auto* form = new QFormLayout;
    QList<QLineEdit*> publicFields, witnessFields;
    for (qsizetype at = 0; at < seal.sources.size(); ++at) {
        auto* field = new QLineEdit(&dialog);
        field->setObjectName(QStringLiteral("ed_nilai%1").arg(at + 1));
        field->setAccessibleName(seal.sources[at]);
        form->addRow(seal.sources[at] + QLatin1Char(':'), field);
        publicFields << field;
    }
    for (int at = 0; at < seal.witnesses; ++at) {
        auto* field = new QLineEdit(&dialog);
        field->setObjectName(QStringLiteral("ed_saksi%1").arg(at + 1));
        field->setAccessibleName(QStringLiteral("Saksi %1").arg(at + 1));
        form->addRow(QStringLiteral("Saksi %1:").arg(at + 1), field);
        witnessFields << field;
    }
    layout->addLayout(form);
    auto* used = new QLabel(&dialog);
    used->setObjectName(QStringLiteral("lbl_dipakai"));
    used->setWordWrap(true);
    used->setTextFormat(Qt::PlainText);
    used->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(used);
    QDialogButtonBox* buttons = box.addButtons();
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Tetapkan Kunci"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Batal"));

    const auto typed = [&] {
        Values values;
        for (QLineEdit* field : publicFields)
            values.publicValues.push_back(field->text());
        for (QLineEdit* field : witnessFields)
            values.witnessValues.push_back(field->text());
        return values;
    };
    const auto settle = [&] {
        const Values values = typed();
        used->setText(QStringLiteral("Nilai yang dipakai:\n") + asUsed(seal, values));
        bool filled = true;
        for (const QString& value : core::KeyedEvent::valuesAsUsed(values.publicValues))
            filled = filled && !value.isEmpty();
        for (const QString& value : core::KeyedEvent::valuesAsUsed(values.witnessValues))
            filled = filled && !value.isEmpty();
        buttons->button(QDialogButtonBox::Ok)->setEnabled(filled);
    };
    for (QLineEdit* field : publicFields + witnessFields)
        QObject::connect(field, &QLineEdit::textChanged, &dialog, settle);
    settle();
    if (!publicFields.isEmpty()) publicFields.front()->setFocus();
    if (!box.exec()) return std::nullopt;
    return typed();
}

} // namespace KeyDialog
