// Several desks on one event on a server, each a process of its own: three registration desks type in 10,000
// participants each while a draw desk draws and saves 100 winners, reading the list again halfway. Afterwards every
// row is there, each with exactly one journal entry, the entries are numbered without a gap and chained in the order
// they committed, and the journal's check holds.
#include "core/record/Verification.h"
#include "platform/db/Connection.h"
#include "platform/db/Statement.h"
#include "tests/support/TestDatabase.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <gtest/gtest.h>
#include <memory>
#include <set>
#include <vector>

namespace {

constexpr int kDesks = 3;
constexpr int kPerDesk = 10000;
constexpr int kBefore = 1000; // participants registered before the event starts
constexpr int kWinners = 100;

std::unique_ptr<QProcess> desk(const QStringList& arguments) {
    auto process = std::make_unique<QProcess>();
    process->setProcessChannelMode(QProcess::MergedChannels);
    process->start(QStringLiteral(DESK_DRIVER), arguments);
    return process;
}

TEST(SeveralDesks, RegisterAndDrawAtOnceIntoOneChain) {
    TestDatabase db(Store::Server);
    {
        std::string sql = "BEGIN;";
        for (int id = 1; id <= kBefore; ++id)
            sql += "INSERT INTO tb_peserta VALUES(" + std::to_string(id) + ",'U" + std::to_string(id) +
                   "','Peserta','08');";
        db.exec(sql + "COMMIT;");
    }
    const QString uri = QString::fromStdString(db.path());
    std::vector<std::unique_ptr<QProcess>> desks;
    for (int d = 0; d < kDesks; ++d)
        desks.push_back(desk(
            {QStringLiteral("register"), uri, QString::number(kBefore + 1 + d * kPerDesk), QString::number(kPerDesk)}));
    desks.push_back(desk({QStringLiteral("draw"), uri, QString::number(kWinners)}));
    for (const auto& process : desks) {
        ASSERT_TRUE(process->waitForFinished(20 * 60 * 1000));
        EXPECT_EQ(process->exitCode(), 0) << process->readAll().toStdString();
    }

    // Every row there.
    EXPECT_EQ(db.count("tb_peserta"), kBefore + kDesks * kPerDesk);
    EXPECT_EQ(db.count("tb_pemenang"), kWinners);

    // Every entry once: one per participant typed in and per winner saved, naming its row.
    std::multiset<std::string> added;
    std::set<std::int64_t> saved;
    std::set<QString> prizes;
    for (const auto& [kind, details] : db.journal()) {
        if (kind == QLatin1String("participant_added"))
            added.insert(details.value(QStringLiteral("values")).toArray().at(0).toString().toStdString());
        if (kind == QLatin1String("winner_saved")) {
            saved.insert(details.value(QStringLiteral("rowid")).toInteger());
            prizes.insert(details.value(QStringLiteral("values")).toArray().at(2).toString());
        }
        if (kind == QLatin1String("program_started")) {
            EXPECT_TRUE(details.value(QStringLiteral("host")).isString());
        }
    }
    EXPECT_EQ(added.size(), static_cast<std::size_t>(kDesks * kPerDesk));
    EXPECT_EQ(std::set<std::string>(added.begin(), added.end()).size(), added.size());
    EXPECT_EQ(saved.size(), static_cast<std::size_t>(kWinners));
    EXPECT_EQ(prizes.size(), static_cast<std::size_t>(kWinners));
    std::set<std::int64_t> winnerRows;
    for (const auto& row : db.rows("SELECT rowid FROM tb_pemenang"))
        winnerRows.insert(std::stoll(row.at(0)));
    EXPECT_EQ(winnerRows, saved);
    const auto entries = db.rows("SELECT count(*), min(urut), max(urut) FROM tb_jurnal").at(0);
    EXPECT_EQ(entries.at(1), "1");
    EXPECT_EQ(entries.at(0), entries.at(2)); // numbered without a gap
    EXPECT_EQ(db.rows("SELECT count(*) FROM tb_jurnal WHERE jenis='program_started'"),
              (std::vector<std::vector<std::string>>{{"4"}}));

    // Chained in commit order, and the tables as the journal accounts for them.
    const auto check = record::Verification::of(db.path());
    EXPECT_EQ(check.exitCode(), 0) << check.verdict().toStdString();
    EXPECT_EQ(check.runs().size(), 4u);
}

} // namespace
