// One desk of an event on a server, as a separate process, through the code paths its screens use, without a window:
//   desk_driver register URI FIRST COUNT   types in participants FIRST.. FIRST+COUNT-1, one "Simpan" each
//   desk_driver draw URI WINNERS           draws and saves WINNERS winners; halfway, reads the list again when the
//                                          draw screen would say it changed
// Prints "done" and exits 0, or the error and exits 1.
#include "core/Session.h"
#include "core/record/Events.h"
#include "platform/db/TableCursor.h"

#include <QCoreApplication>
#include <cstdio>
#include <exception>
#include <string>

namespace {

void registerParticipants(core::Session& session, long long first, long long count) {
    // The participants screen's cursor: each "Simpan" is one transaction with its journal entry.
    db::TableCursor cursor("ADOTable1");
    cursor.setConnection(&session.connection());
    cursor.setTableName("tb_peserta");
    cursor.open();
    for (long long id = first; id < first + count; ++id) {
        const std::string n = std::to_string(id);
        cursor.append();
        cursor.setFieldText("ID", n);
        cursor.setFieldText("no_undian", "U" + n);
        cursor.setFieldText("nama", "Peserta " + n);
        cursor.setFieldText("hp", "0812" + n);
        cursor.post();
    }
}

void drawWinners(core::Session& session, int winners) {
    core::Draw& draw = session.draw();
    session.settings().open();
    session.settings().readWinnersOnce();
    draw.readList();
    bool reloaded = false;
    for (int i = 1; i <= winners; ++i) {
        if (!reloaded && i > winners / 2) {
            // The other desks have added participants meanwhile: the draw screen's line says so.
            const auto change = draw.listChange();
            if (!change || !change->changed) throw std::runtime_error("the list's change was not seen");
            if (draw.reloadList() != core::Draw::Reload::Done) throw std::runtime_error("the list was not read again");
            reloaded = true;
        }
        if (draw.start() != core::Draw::Start::Started) throw std::runtime_error("the draw did not start");
        for (int tick = 0; tick < 5; ++tick)
            draw.tick();
        draw.stop();
        draw.show();
        draw.setPrize(QStringLiteral("Hadiah %1").arg(i));
        draw.save();
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    try {
        if (args.size() < 4) throw std::runtime_error("usage: desk_driver register|draw URI ...");
        core::Session session;
        session.open(args[2].toStdString());
        if (args[1] == QLatin1String("register") && args.size() == 5)
            registerParticipants(session, args[3].toLongLong(), args[4].toLongLong());
        else if (args[1] == QLatin1String("draw"))
            drawWinners(session, args[3].toInt());
        else
            throw std::runtime_error("unknown role");
        session.journal().record(record::event::kProgramEnded);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    std::puts("done");
    return 0;
}
