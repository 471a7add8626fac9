#pragma once

#include "core/record/CursorJournal.h"
#include "core/record/Events.h"
#include "core/record/Journal.h"
#include "core/record/SealedList.h"
#include "platform/db/SqlCommand.h"
#include "platform/db/TableCursor.h"
#include "tests/support/TestDatabase.h"

#include <QJsonArray>
#include <QJsonObject>
#include <memory>
#include <string>

// A cursor on one of the program's tables, open over the connection, as a screen opens its own.
inline std::unique_ptr<db::TableCursor> openCursor(db::Connection& connection, const std::string& table,
                                                   const char* name = "ADOTable3") {
    auto cursor = std::make_unique<db::TableCursor>(name);
    cursor->setConnection(&connection);
    cursor->setTableName(table);
    cursor->open();
    return cursor;
}

// The program's record on a test database, wired as the program wires it: the journal on the connection with its
// hook for the cursors, the draw's list sealed, and a clock that ticks one second per entry.
class RecordedDraw {
public:
    // Participants 1..participants (draw numbers "D<ID>") stored before the run starts.
    explicit RecordedDraw(TestDatabase& db, int participants = 3) : m_db(db) {
        for (int i = 1; i <= participants; ++i)
            db.exec("INSERT INTO tb_peserta VALUES(" + std::to_string(i) + ",'D" + std::to_string(i) + "','Nama " +
                    std::to_string(i) + "','08" + std::to_string(i) + "')");
    }

    // A run of the program: reads and seals the list, and names it in the journal's start.
    void start() {
        journal = std::make_unique<record::Journal>(m_db.cn());
        journal->setClock([this] { return QDateTime(QDate(2024, 5, 1), QTime(9, 0), Qt::UTC).addSecs(m_tick++); });
        hook = std::make_unique<record::CursorJournal>(*journal);
        m_db.cn().setRowWriteHook(hook.get());
        list = std::make_unique<record::SealedList>();
        list->markBeforeRead(m_db.cn());
        draw = openCursor(m_db.cn(), "tb_peserta", "ADOTable1");
        list->seal(*draw);
        journal->setRunStart([this] {
            auto start = list->runStart();
            start.details[QStringLiteral("speed")] = 50;
            return start;
        });
    }

    // A participant typed in on the participants screen, journaled through the connection's hook.
    void addParticipant(int id) {
        const auto participants = openCursor(m_db.cn(), "tb_peserta");
        participants->append();
        const std::string n = std::to_string(id);
        for (const auto& [field, text] : {std::pair{0, n}, {1, "D" + n}, {2, "Nama " + n}, {3, "08" + n}})
            participants->setFieldText(field, text);
        participants->post();
    }

    // "Muat Ulang Daftar": the draw reads the table again, seals it, and the run records the new list.
    void reload() {
        journal->ensureStarted();
        list->join();
        list->markBeforeRead(m_db.cn());
        draw = openCursor(m_db.cn(), "tb_peserta", "ADOTable1");
        list->seal(*draw);
        journal->recordListReloaded(list->runStart().details);
    }

    // "Stop" on the participant of this rank, then "Tampilkan" and "Simpan" with the prize; returns the rowid.
    std::int64_t drawWinner(int rank, const QString& prize) {
        stop(rank);
        return saveWinner(QString::fromStdString(draw->fieldText(1)), QString::fromStdString(draw->fieldText(2)),
                          prize);
    }

    void stop(int rank) {
        draw->moveToRank(0, static_cast<std::size_t>(rank - 1));
        journal->record(record::event::kStop,
                        {{QStringLiteral("n"), static_cast<double>(draw->recordCount())},
                         {QStringLiteral("rank"), rank},
                         {QStringLiteral("id"), QString::fromStdString(draw->fieldText(0))},
                         {QStringLiteral("no_undian"), QString::fromStdString(draw->fieldText(1))}});
    }

    std::int64_t saveWinner(const QString& number, const QString& name, const QString& prize) {
        std::int64_t rowid = 0;
        journal->recordChange(record::event::kWinnerSaved, [&] {
            db::SqlCommand insert;
            insert.setConnection(&m_db.cn());
            insert.setCommandText("insert into tb_pemenang values(?,?,?)");
            insert.setParameters({number.toStdString(), name.toStdString(), prize.toStdString()});
            insert.execute();
            rowid = m_db.cn().lastInsertRowid();
            return QJsonObject{{QStringLiteral("rowid"), static_cast<double>(rowid)},
                               {QStringLiteral("values"), QJsonArray{number, name, prize}}};
        });
        return rowid;
    }

    // "Delete" on the winners screen, on the winner with this rowid.
    void deleteWinner(std::int64_t rowid) {
        const auto winners = openCursor(m_db.cn(), "tb_pemenang", "ADOTable1");
        // The cursor holds the rows in rowid order.
        winners->moveTo(
            std::stoul(m_db.rows("SELECT count(*) FROM tb_pemenang WHERE rowid<" + std::to_string(rowid))[0][0]));
        winners->remove();
    }

    void end() {
        journal->record(record::event::kProgramEnded);
        m_db.cn().setRowWriteHook(nullptr);
    }

    std::unique_ptr<record::Journal> journal;
    std::unique_ptr<record::CursorJournal> hook;
    std::unique_ptr<db::TableCursor> draw;
    std::unique_ptr<record::SealedList> list; // after the cursor it reads: gone, its thread joined, before it

private:
    TestDatabase& m_db;
    int m_tick = 0;
};
