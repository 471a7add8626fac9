// The upload's background reader: batches of text in sheet order, errors carried over, early stop.
#include "platform/sheets/RowStream.h"
#include "platform/Error.h"
#include "tests/sheets/TestFiles.h"

#include <gtest/gtest.h>

namespace {

using sheets::RowStream;
using sheets::test::Rows;

std::vector<std::string> rowOf(const RowStream::Batch& batch, std::size_t row) {
    std::vector<std::string> cells;
    for (int column = 1; column <= batch.cellCount(row); ++column)
        cells.emplace_back(batch.cell(row, column));
    return cells;
}

Rows readAll(RowStream& stream) {
    Rows rows;
    for (RowStream::Batch batch; stream.next(batch);)
        for (std::size_t row = 0; row < batch.size(); ++row)
            rows.push_back(rowOf(batch, row));
    return rows;
}

TEST(RowStream, HandsOverEveryRowInOrderAsTextOfTheLocale) {
    RowStream stream(sheets::test::fixture("participants.xlsx"), QLocale(QLocale::Indonesian, QLocale::Indonesia), 3);
    const Rows rows = readAll(stream);
    ASSERT_EQ(rows.size(), 8u);
    EXPECT_EQ(rows[5], (std::vector<std::string>{"5", "1,5", "Ñoño Müller & <Co>", "True"}));
    // The same rows as the reader gives, apart from the decimal separator.
    Rows direct = sheets::test::readAll(sheets::test::fixture("participants.xlsx"));
    direct[5][1] = "1,5";
    direct[6][1] = rows[6][1];
    direct[7][1] = rows[7][1];
    EXPECT_EQ(rows, direct);
}

TEST(RowStream, KeepsEmptyRowsOfTheSheet) {
    RowStream stream(sheets::test::fixture("gap.xlsx"), QLocale::c(), 2);
    const Rows rows = readAll(stream);
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_TRUE(rows[4].empty());
}

TEST(RowStream, RethrowsTheReadersErrorToTheConsumer) {
    RowStream stream(sheets::test::fixture("encrypted.xls"));
    RowStream::Batch batch;
    EXPECT_THROW(stream.next(batch), platform::Error);
    RowStream again(sheets::test::fixture("truncated.xlsx"));
    EXPECT_THROW(readAll(again), platform::Error);
}

TEST(RowStream, MarksFormulasWithoutAStoredResult) {
    RowStream stream(sheets::test::fixture("formula-without-result.xlsx"), QLocale::c(), 2);
    std::vector<int> columns;
    for (RowStream::Batch batch; stream.next(batch);)
        for (std::size_t row = 0; row < batch.size(); ++row)
            columns.push_back(batch.uncalculatedColumn(row));
    EXPECT_EQ(columns, (std::vector<int>{0, 0, 1, 0}));
}

TEST(RowStream, RefusesWhatIsNotAFileBeforeStarting) {
    QTemporaryDir dir;
    EXPECT_THROW(RowStream(dir.path().toStdString()), platform::Error);
}

TEST(RowStream, TellsTheConsumerWhenNothingIsReadyYet) {
    // A consumer on the screen's thread waits in short steps: it is told "not yet" rather than held.
    QTemporaryDir dir;
    std::string csv = "ID,nama\n";
    for (int i = 1; i <= 300000; ++i)
        csv += std::to_string(i) + ",Peserta\n";
    RowStream stream(sheets::test::writeFile(dir, "big.csv", csv), QLocale::c(), 100000);
    RowStream::Batch batch;
    int notYet = 0;
    std::size_t rows = 0;
    for (;;) {
        const auto got = stream.next(batch, std::chrono::milliseconds(0));
        if (got == RowStream::Next::End) break;
        if (got == RowStream::Next::Batch) {
            rows += batch.size();
        } else {
            ++notYet;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    EXPECT_EQ(rows, 300001u);
    EXPECT_GT(notYet, 0);
}

TEST(RowStream, HandsOverTheRowsReadBeforeDamageThenTheError) {
    // Row 5 holds a cell longer than any spreadsheet cell: the four rows before it still reach the preview.
    QTemporaryDir dir;
    auto row = [](int r, const std::string& text) {
        return "<row r=\"" + std::to_string(r) + "\"><c r=\"A" + std::to_string(r) + "\" t=\"inlineStr\"><is><t>" +
               text + "</t></is></c></row>";
    };
    const std::string sheet = R"(<dimension ref="A1:A5"/><sheetData>)" + row(1, "ID") + row(2, "1") + row(3, "2") +
                              row(4, "3") + row(5, std::string(100000, 'x')) + "</sheetData>";
    RowStream stream(sheets::test::writeXlsx(dir, sheet), QLocale::c(), 100);
    Rows rows;
    RowStream::Batch batch;
    EXPECT_THROW(
        {
            while (stream.next(batch))
                for (std::size_t r = 0; r < batch.size(); ++r)
                    rows.push_back(rowOf(batch, r));
        },
        platform::Error);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[3], (std::vector<std::string>{"3"}));
}

TEST(RowStream, StopsTheWorkerWhenTheConsumerStopsEarly) {
    // Far more rows than the queue holds: the worker must be waiting on the full queue when the stream goes.
    QTemporaryDir dir;
    std::string csv = "ID,nama\n";
    for (int i = 1; i <= 200000; ++i)
        csv += std::to_string(i) + ",Peserta " + std::to_string(i) + "\n";
    const std::string path = sheets::test::writeFile(dir, "big.csv", csv);
    for (int attempt = 0; attempt < 20; ++attempt) {
        RowStream stream(path, QLocale::c(), 100);
        RowStream::Batch batch;
        ASSERT_TRUE(stream.next(batch));
        EXPECT_EQ(rowOf(batch, 0), (std::vector<std::string>{"ID", "nama"}));
    } // each destructor cancels and joins; a hang here fails by the test's timeout
    RowStream stream(path, QLocale::c(), 100);
    stream.cancel();
    RowStream::Batch batch;
    EXPECT_FALSE(stream.next(batch));
}

} // namespace
