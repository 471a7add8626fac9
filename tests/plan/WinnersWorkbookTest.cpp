#include "core/record/Events.h"
#include "platform/sheets/CellFormatter.h"
#include "platform/sheets/WorkbookReader.h"
#include "tests/plan/PlanSession.h"
#include "tests/support/ErrorOf.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using Cell = sheets::Cell;
using Kind = sheets::Cell::Kind;

const QDate kToday(2025, 5, 12);
const QDateTime kNoon(kToday, QTime(12, 0)); // local time, as the journal's clock stands

// Excel's serial day of a local time: days since 30 December 1899, the time as its fraction.
double serial(const QDateTime& local) {
    return static_cast<double>(QDate(1899, 12, 30).daysTo(local.date())) + local.time().msecsSinceStartOfDay() / 864e5;
}

std::vector<std::vector<Cell>> readBack(const QString& path) {
    std::vector<std::vector<Cell>> rows;
    const auto reader = sheets::WorkbookReader::open(path.toStdString());
    std::vector<Cell> cells;
    while (reader->nextRow(cells))
        rows.push_back(cells);
    return rows;
}

std::string textOf(const Cell& cell) {
    return cell.kind == Kind::Text ? cell.text : "<" + std::to_string(static_cast<int>(cell.kind)) + ">";
}

// "Export .xlsx" on an event: winners typed in before the journal began (among them a draw number two participants
// share, a draw number kept with its leading zeros, a text that looks like a formula, a name over two lines), a round
// of the plan saved at noon on 12 May 2025 with its winners' handovers recorded.
class WinnersWorkbook : public ::testing::Test {
protected:
    void SetUp() override {
        s.session.journal().setClock([] { return kNoon; });
        s.addPrize("TV", "2", "2");
        s.script().next = {0, 0};
        s.saveRound(); // D1 and D2, rows 5 and 6
        ASSERT_TRUE(s.session.handovers().change(5, {core::Handover::State::HandedOver, QDate(2025, 5, 10)}));
        ASSERT_TRUE(s.session.handovers().change(2, {core::Handover::State::NotTaken, {}}));
    }

    PlanSession s{10, [](TestDatabase& db) {
                      db.exec("INSERT INTO tb_peserta VALUES(11, 'D9', 'Lain', '0899')");
                      db.exec("INSERT INTO tb_pemenang VALUES('D9','Nama 9','Kipas')");
                      db.exec("INSERT INTO tb_pemenang VALUES('007','=1+1','Payung')");
                      db.exec("INSERT INTO tb_pemenang VALUES('D3','Nama' || char(10) || 'Tiga','Tas')");
                      db.exec("INSERT INTO tb_pemenang VALUES('D4',NULL,NULL)");
                  }};
    QTemporaryDir out;
};

// Read back with the program's own reader: one row per winner in the table's order, the number, name, phone (by the
// participant's ID for a winner of the plan, else by the draw number, the name deciding between two), prize, the time
// saved from the journal (none before it began), the handover and its day; texts stay texts.
TEST_F(WinnersWorkbook, ReadsBackAsTheWinners) {
    const QString path = out.filePath(QStringLiteral("pemenang.xlsx"));
    EXPECT_EQ(s.session.winners().exportWorkbook(path), 6u);
    const auto rows = readBack(path);
    ASSERT_EQ(rows.size(), 7u);
    std::vector<std::string> heading;
    for (const Cell& cell : rows[0])
        heading.push_back(textOf(cell));
    EXPECT_EQ(heading, (std::vector<std::string>{"No", "Nomor Undian", "Nama", "HP", "Hadiah", "Waktu Disimpan",
                                                 "Serah Terima", "Tanggal Diserahkan"}));
    struct Expected {
        std::vector<std::string> texts; // Nomor Undian, Nama, HP, Hadiah, Serah Terima
        bool saved;
        std::optional<QDate> handedOver;
    };
    const Expected expected[] = {
        {{"D9", "Nama 9", "089", "Kipas", "belum diserahkan"}, false, {}},
        {{"007", "=1+1", "", "Payung", "tidak diambil"}, false, {}},
        {{"D3", "Nama\nTiga", "083", "Tas", "belum diserahkan"}, false, {}},
        {{"D4", "", "084", "", "belum diserahkan"}, false, {}},
        {{"D1", "Nama 1", "081", "TV", "diserahkan"}, true, QDate(2025, 5, 10)},
        {{"D2", "Nama 2", "082", "TV", "belum diserahkan"}, true, {}},
    };
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(i);
        const std::vector<Cell>& row = rows[i + 1];
        ASSERT_GE(row.size(), 7u);
        EXPECT_EQ(row[0].kind, Kind::Number);
        EXPECT_EQ(row[0].number, static_cast<double>(i + 1));
        for (const auto& [column, text] : {std::pair{1, 0}, {2, 1}, {3, 2}, {4, 3}, {6, 4}}) {
            const std::string& want = expected[i].texts[static_cast<std::size_t>(text)];
            const Cell& cell = row[static_cast<std::size_t>(column)];
            EXPECT_EQ(want.empty() ? cell.kind == Kind::Empty : textOf(cell) == want, true)
                << "column " << column << ": " << textOf(cell);
        }
        EXPECT_EQ(row[5].kind, expected[i].saved ? Kind::Date : Kind::Empty);
        if (expected[i].saved) {
            EXPECT_DOUBLE_EQ(row[5].number, serial(kNoon));
        }
        if (expected[i].handedOver) {
            ASSERT_EQ(row.size(), 8u);
            EXPECT_EQ(row[7].kind, Kind::Date);
            EXPECT_DOUBLE_EQ(row[7].number, serial(QDateTime(*expected[i].handedOver, QTime(0, 0))));
        } else {
            EXPECT_EQ(row.size(), 7u);
        }
    }

    // Journaled as an export, by the SHA-256 of the file as written.
    const QJsonObject entry = s.entries(record::event::kExport).back();
    EXPECT_EQ(entry.value("format").toString(), QStringLiteral("xlsx"));
    EXPECT_EQ(entry.value("rows").toInt(), 6);
    EXPECT_EQ(entry.value("path").toString(), QDir::toNativeSeparators(path));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(entry.value("sha256").toString(),
              QString::fromLatin1(QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex()));
}

// A workbook that cannot be made or put in place leaves the file there as it was and no entry.
TEST_F(WinnersWorkbook, FailureLeavesNothing) {
    const auto entries = s.db.journal().size();
    EXPECT_EQ(errorOf([&] { s.session.winners().exportWorkbook(out.filePath(QStringLiteral("missing/p.xlsx"))); }),
              "File not found");
    const QString path = out.filePath(QStringLiteral("pemenang.xlsx"));
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old");
    }
    s.db.exec("INSERT INTO tb_pemenang VALUES('D5', replace(hex(zeroblob(17000)), '00', 'ab'), 'TV')");
    const std::string error = errorOf([&] { s.session.winners().exportWorkbook(path); });
    EXPECT_EQ(error.rfind("Cannot write the workbook: ", 0), 0u) << error;
    EXPECT_NE(error.find("(row 8, column 3)"), std::string::npos) << error;
    EXPECT_EQ(s.db.journal().size(), entries);
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("old"));
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("pemenang.xlsx")});
}

} // namespace
