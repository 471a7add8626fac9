#include "core/record/CursorJournal.h"

#include "core/record/Events.h"
#include "core/record/Journal.h"

#include <QJsonArray>

namespace record {

namespace {
QJsonArray valuesOf(const std::vector<std::optional<std::string>>& values) {
    QJsonArray array;
    for (const auto& value : values)
        array.append(Journal::jsonValue(value));
    return array;
}

const char* pick(db::RowWrite::Kind kind, const char* added, const char* changed, const char* deleted) {
    switch (kind) {
    case db::RowWrite::Kind::Insert:
        return added;
    case db::RowWrite::Kind::Update:
        return changed;
    case db::RowWrite::Kind::Delete:
        return deleted;
    }
    return changed;
}
} // namespace

const char* CursorJournal::kindOf(const db::RowWrite& write) {
    if (write.table == "tb_peserta")
        return pick(write.kind, event::kParticipantAdded, event::kParticipantChanged, event::kParticipantDeleted);
    if (write.table == "tb_pemenang")
        return pick(write.kind, event::kWinnerAdded, event::kWinnerChanged, event::kWinnerDeleted);
    if (write.table == "tb_hadiah")
        return pick(write.kind, event::kPrizeAdded, event::kPrizeChanged, event::kPrizeDeleted);
    if (write.table == "setup" && write.kind == db::RowWrite::Kind::Update) {
        for (std::size_t i = 0; i < write.fields.size() && i < write.before.size() && i < write.after.size(); ++i)
            if (write.fields[i] == "speed" && write.before[i] != write.after[i]) return event::kSpeedChanged;
        return event::kSettingChanged;
    }
    return pick(write.kind, event::kRowAdded, event::kRowChanged, event::kRowDeleted);
}

void CursorJournal::beforeWrite() {
    // The run's first entries go in on their own, before the change's transaction opens.
    m_journal.ensureStarted();
}

void CursorJournal::rowWritten(const db::RowWrite& write) {
    record(write, {});
}

void CursorJournal::record(const db::RowWrite& write, const QJsonObject& more) {
    QJsonObject details{{QStringLiteral("rowid"), static_cast<double>(write.rowid)}};
    if (write.kind == db::RowWrite::Kind::Update) {
        details[QStringLiteral("before")] = valuesOf(write.before);
        details[QStringLiteral("after")] = valuesOf(write.after);
    } else {
        details[QStringLiteral("values")] =
            valuesOf(write.kind == db::RowWrite::Kind::Insert ? write.after : write.before);
    }
    const char* kind = kindOf(write);
    // Outside the two lists and the plan, the entry names the table and its fields, which say what the values are.
    if (write.table != "tb_peserta" && write.table != "tb_pemenang" && write.table != "tb_hadiah") {
        details[QStringLiteral("table")] = QString::fromStdString(write.table);
        QJsonArray fields;
        for (const std::string& field : write.fields)
            fields.append(QString::fromStdString(field));
        details[QStringLiteral("fields")] = fields;
    }
    for (auto it = more.begin(); it != more.end(); ++it)
        details[it.key()] = it.value();
    m_journal.append(kind, details);
}

} // namespace record
