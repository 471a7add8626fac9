#include "core/plan/PlanImport.h"
#include "core/record/Events.h"
#include "tests/plan/PlanSession.h"
#include "tests/sheets/TestFiles.h"

#include <QTemporaryDir>
#include <fstream>
#include <gtest/gtest.h>
#include <ostream>

namespace {

using Rows = std::vector<std::vector<std::string>>;

std::string writeCsv(const QTemporaryDir& dir, const std::string& text) {
    const std::string path = dir.filePath("hadiah.csv").toStdString();
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

struct BadFile {
    const char* name;
    std::string csv;
    std::size_t row; // 0: the file as a whole
    std::string refusal;
};

void PrintTo(const BadFile& c, std::ostream* out) {
    *out << c.name;
}

class PlanImportRefused : public ::testing::TestWithParam<BadFile> {};

// A file with a bad row is refused whole, naming the row and what is wrong, and the plan stays as it was.
TEST_P(PlanImportRefused, NamesTheRow) {
    const BadFile& c = GetParam();
    QTemporaryDir dir;
    const std::string path = writeCsv(dir, c.csv);
    const core::PlanImport::Result read = core::PlanImport::read(path);
    EXPECT_EQ(read.refusal.toStdString(), c.refusal);
    EXPECT_EQ(read.sheetRow, c.row);
    EXPECT_TRUE(read.rows.empty());

    PlanSession s(3);
    s.addPrize("Kipas", "2");
    EXPECT_EQ(s.plan().importFrom(path).refusal.toStdString(), c.refusal);
    EXPECT_EQ(s.db.rows("SELECT urut, hadiah FROM tb_hadiah"), (Rows{{"1", "Kipas"}}));
    EXPECT_TRUE(s.entries(record::event::kPlanImported).empty());
}

const std::string kHeading = "Hadiah,Jumlah,Per putaran\n";

INSTANTIATE_TEST_SUITE_P(
    Plan, PlanImportRefused,
    ::testing::Values(
        BadFile{"no name", kHeading + "Mobil,1,1\n,3,1\n", 3, "Baris 3: nama hadiah kosong."},
        BadFile{"no quantity", kHeading + "Mobil,,1\n", 2, "Baris 2: jumlah pemenang kosong."},
        BadFile{"quantity in words", kHeading + "Mobil,satu\n", 2,
                "Baris 2: jumlah pemenang \"satu\" bukan bilangan bulat."},
        BadFile{"quantity a fraction", kHeading + "Mobil,1.5\n", 2,
                "Baris 2: jumlah pemenang \"1.5\" bukan bilangan bulat."},
        BadFile{"quantity zero", kHeading + "Mobil,0\n", 2, "Baris 2: jumlah pemenang paling sedikit 1, bukan 0."},
        BadFile{"quantity negative", kHeading + "Mobil,-2\n", 2,
                "Baris 2: jumlah pemenang paling sedikit 1, bukan -2."},
        BadFile{"per round in words", kHeading + "Voucher,30,sepuluh\n", 2,
                "Baris 2: pemenang per putaran \"sepuluh\" bukan bilangan bulat."},
        BadFile{"per round zero", kHeading + "Voucher,30,0\n", 2,
                "Baris 2: pemenang per putaran harus 1 sampai 50, bukan 0."},
        BadFile{"per round above 50", kHeading + "Voucher,100,51\n", 2,
                "Baris 2: pemenang per putaran harus 1 sampai 50, bukan 51."},
        BadFile{"per round above quantity", kHeading + "Motor,3,5\n", 2,
                "Baris 2: pemenang per putaran (5) lebih dari jumlah pemenang (3)."},
        BadFile{"first bad row named", kHeading + "A,1\nB,x\nC,0\n", 3,
                "Baris 3: jumlah pemenang \"x\" bukan bilangan bulat."},
        BadFile{"a fourth column", kHeading + "Mobil,1,1,hadiah utama\n", 0,
                "File ini berisi 4 kolom; daftar hadiah hanya 3: nama hadiah, jumlah pemenang, pemenang per putaran."},
        BadFile{"a fourth column below", kHeading + "Mobil,1,1\n\n,,,catatan\n", 0,
                "File ini berisi 4 kolom; daftar hadiah hanya 3: nama hadiah, jumlah pemenang, pemenang per putaran."},
        BadFile{"heading only", kHeading, 0,
                "File ini tidak berisi hadiah: di bawah judul di baris 1 tidak ada baris yang berisi."},
        BadFile{"blank rows only", kHeading + ",,\n\n", 0,
                "File ini tidak berisi hadiah: di bawah judul di baris 1 tidak ada baris yang berisi."}),
    [](const auto& info) {
        std::string name = info.param.name;
        for (char& c : name)
            if (c == ' ') c = '_';
        return name;
    });

// The file's plan replaces the plan there, urut in the file's order, blank rows passed over, with one entry naming
// the file and the plan before and after; an xlsx with numbers in number cells reads the same as a csv.
TEST(PlanImport, ReplacesThePlanWithTheFile) {
    QTemporaryDir dir;
    PlanSession s(3);
    s.addPrize("Kipas", "2");
    const std::string csv = writeCsv(dir, kHeading + "Mobil,1,1\n\n Motor , 3 ,\nTelevisi,10,5\nVoucher,30,10\n");
    const core::PrizePlan::Imported imported = s.plan().importFrom(csv);
    EXPECT_TRUE(imported.refusal.isEmpty()) << imported.refusal.toStdString();
    EXPECT_EQ(imported.prizes, 4u);
    EXPECT_EQ(imported.winners, 44);
    EXPECT_EQ(s.db.rows("SELECT * FROM tb_hadiah ORDER BY urut"), (Rows{{"1", "Mobil", "1", "1"},
                                                                        {"2", "Motor", "3", "1"},
                                                                        {"3", "Televisi", "10", "5"},
                                                                        {"4", "Voucher", "30", "10"}}));
    const auto entries = s.entries(record::event::kPlanImported);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].value("before").toArray(), (QJsonArray{QJsonArray{1, "Kipas", 2, 1}}));
    EXPECT_EQ(entries[0].value("after").toArray().size(), 4);
    EXPECT_EQ(entries[0].value("sha256").toString().size(), 64);

    const std::string xlsx = sheets::test::writeXlsx(
        dir,
        "<sheetData>"
        R"(<row r="1"><c r="A1" t="inlineStr"><is><t>Hadiah</t></is></c><c r="B1" t="inlineStr"><is><t>Jumlah</t></is></c></row>)"
        R"(<row r="2"><c r="A2" t="inlineStr"><is><t>Mobil</t></is></c><c r="B2"><v>1</v></c><c r="C2"><v>1</v></c></row>)"
        R"(<row r="3"><c r="A3" t="inlineStr"><is><t>Voucher</t></is></c><c r="B3"><v>30</v></c><c r="C3"><v>10</v></c></row>)"
        "</sheetData>");
    const core::PlanImport::Result read = core::PlanImport::read(xlsx);
    ASSERT_FALSE(read.refused()) << read.refusal.toStdString();
    ASSERT_EQ(read.rows.size(), 2u);
    EXPECT_EQ(read.rows[1].name, QStringLiteral("Voucher"));
    EXPECT_EQ(read.rows[1].quantity, 30);
    EXPECT_EQ(read.rows[1].perRound, 10);
}

// Once anything of the plan has been drawn, the plan changes through its grid, row by row, not by a new file.
TEST(PlanImport, RefusedOnceThePlanIsDrawn) {
    QTemporaryDir dir;
    PlanSession s(3);
    s.addPrize("Kipas", "2");
    s.saveRound();
    const core::PrizePlan::Imported imported = s.plan().importFrom(writeCsv(dir, kHeading + "Mobil,1\n"));
    EXPECT_EQ(imported.refusal.toStdString(), "Daftar hadiah sudah dipakai mengundi (1 pemenang dan tidak hadir): "
                                              "ubah hadiahnya lewat tabel, bukan dengan Import.");
    EXPECT_EQ(s.db.rows("SELECT hadiah FROM tb_hadiah"), (Rows{{"Kipas"}}));
}

} // namespace
