#pragma once

#include "core/Session.h"
#include "core/draw/WinnerPick.h"
#include "core/plan/PrizePlan.h"
#include "platform/db/TableCursor.h"
#include "tests/support/TestDatabase.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonObject>
#include <deque>
#include <memory>
#include <string>
#include <vector>

// Picks as a script says, recording what each pick was asked: the draw's rules around the pick, seen exactly.
class ScriptedPick : public core::WinnerPick {
public:
    std::uint64_t pick(const core::PickRequest& request) override {
        asked.push_back(request);
        if (next.empty()) return 0;
        const std::uint64_t index = next.front();
        next.pop_front();
        return index;
    }
    std::deque<std::uint64_t> next;
    std::vector<core::PickRequest> asked;
};

// The program's session on a test database, as the draw screen starts it but without any screen: participants
// 1..n (draw numbers "D<ID>"), the list read and sealed, the settings read.
class PlanSession {
public:
    explicit PlanSession(int participants = 20, const std::function<void(TestDatabase&)>& prepare = {})
        : m_own(std::make_unique<TestDatabase>()), db(*m_own) {
        db.addParticipants(participants);
        if (prepare) prepare(db);
        start();
    }
    // The next run of the program on the database an earlier run left.
    explicit PlanSession(TestDatabase& earlier) : db(earlier) { start(); }
    ~PlanSession() { settle(); }

    core::Draw& draw() { return session.draw(); }
    core::PrizePlan& plan() { return session.plan(); }

    // Lets the queued work run: the list's seal, the plan read again after a write.
    static void settle() { QCoreApplication::processEvents(); }

    // The plan's table through a cursor, as the plan's screen holds it: every write goes through the session's hook.
    db::TableCursor& prizes() {
        if (!m_prizes) {
            core::PrizePlan::createTables(session.connection());
            m_prizes = std::make_unique<db::TableCursor>("ADOTable1");
            m_prizes->setConnection(&session.connection());
            m_prizes->setTableName(core::PrizePlan::kPrizes);
            m_prizes->open();
        }
        return *m_prizes;
    }
    // A prize typed in as a new row of the grid (per round empty: the default).
    void addPrize(const std::string& name, const std::string& quantity, const std::string& perRound = {}) {
        db::TableCursor& cursor = prizes();
        cursor.append();
        cursor.setFieldText("hadiah", name);
        cursor.setFieldText("jumlah", quantity);
        if (!perRound.empty()) cursor.setFieldText("per_putaran", perRound);
        try {
            cursor.post();
        } catch (...) {
            cursor.cancel();
            throw;
        }
        settle();
        draw().readPlan();
    }
    // One field of the prize with this urut, changed in the grid.
    void changePrize(std::int64_t urut, const std::string& field, const std::string& value) {
        db::TableCursor& cursor = prizes();
        cursor.requery();
        cursor.locate("urut", std::to_string(urut), false);
        cursor.edit();
        cursor.setFieldText(field, value);
        try {
            cursor.post();
        } catch (...) {
            cursor.cancel();
            throw;
        }
        settle();
        draw().readPlan();
    }
    void deletePrize(std::int64_t urut) {
        db::TableCursor& cursor = prizes();
        cursor.requery();
        cursor.locate("urut", std::to_string(urut), false);
        cursor.remove();
        settle();
        draw().readPlan();
    }

    // The pick follows this script from now on.
    ScriptedPick& script() {
        auto pick = std::make_unique<ScriptedPick>();
        m_script = pick.get();
        draw().setWinnerPick(std::move(pick));
        return *m_script;
    }

    // "Acak", a few ticks, "Stop": the round shown.
    const core::PlanRound& drawRound(int ticks = 3) {
        if (draw().start() != core::Draw::Start::Started) throw std::runtime_error("Acak refused");
        for (int i = 0; i < ticks; ++i)
            draw().tick();
        draw().stop();
        return *draw().round();
    }
    // A round drawn and saved.
    const core::PlanRound& saveRound() {
        drawRound();
        draw().save();
        return *draw().round();
    }

    // Draw numbers of the round's winners, in the order picked.
    static std::vector<std::string> numbers(const core::PlanRound& round) {
        std::vector<std::string> out;
        for (const core::RoundWinner& w : round.winners)
            out.push_back(w.number.toStdString());
        return out;
    }
    // The journal's entries of one kind, in order.
    std::vector<QJsonObject> entries(const char* kind) {
        std::vector<QJsonObject> out;
        for (const auto& [jenis, details] : db.journal())
            if (jenis == QLatin1String(kind)) out.push_back(details);
        return out;
    }

private:
    std::unique_ptr<TestDatabase> m_own;

public:
    TestDatabase& db;
    core::Session session;

private:
    void start() {
        application();
        session.open(db.path());
        session.settings().open();
        session.settings().readWinnersOnce();
        draw().readList();
        draw().setSpeed(50);
    }

    static void application() {
        static int argc = 1;
        static char name[] = "plan_tests";
        static char* argv[] = {name, nullptr};
        static QCoreApplication app(argc, argv);
    }

    std::unique_ptr<db::TableCursor> m_prizes;
    ScriptedPick* m_script = nullptr;
};
