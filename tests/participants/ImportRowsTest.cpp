// The walk over a workbook's participant rows and the all-or-nothing upload into tb_peserta, without the screen.
#include "core/participants/ParticipantRows.h"
#include "core/participants/ParticipantUpload.h"
#include "platform/Error.h"
#include "platform/db/Connection.h"
#include "tests/support/TestDatabase.h"

#include "tests/support/OnEachStore.h"
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

using Rows = std::vector<std::vector<std::string>>;

// Rows as one text, "a|b|c" per row, rows joined by ";", so a table of cases reads at a glance.
QString joined(const Rows& rows) {
    QStringList lines;
    for (const auto& row : rows) {
        QStringList cells;
        for (const auto& cell : row)
            cells << QString::fromStdString(cell);
        lines << cells.join(QLatin1Char('|'));
    }
    return lines.join(QLatin1Char(';'));
}

} // namespace

Q_DECLARE_METATYPE(ParticipantUpload::Refusal)
Q_DECLARE_METATYPE(ParticipantUpload::Outcome)

class ImportRowsTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString write(const QString& name, const QByteArray& content) {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) qFatal("cannot write %s", qPrintable(path));
        file.write(content);
        return path;
    }

    // The participant rows, each with the sheet's C columns, C learnt from the whole sheet.
    static Rows walk(const QString& path, int& columns, std::size_t batchRows) {
        ParticipantRows rows(path.toStdString(), batchRows);
        Rows all;
        ParticipantRows::Batch batch;
        while (rows.next(batch))
            for (std::size_t row = 0; row < batch.size(); ++row) {
                std::vector<std::string> cells;
                for (int c = 1; c <= batch.cellCount(row); ++c)
                    cells.emplace_back(batch.cell(row, c));
                all.push_back(cells);
            }
        while (rows.finish(std::chrono::milliseconds(10)) == ParticipantRows::Next::NotYet) {
        }
        columns = rows.columnCount();
        for (auto& row : all)
            row.resize(static_cast<std::size_t>(columns));
        return all;
    }

    struct Upload {
        TestDatabase database;
        db::Connection connection;
        Upload() {
            connection.setDatabasePath(database.path());
            connection.open();
        }
        ParticipantUpload::Result run(const QString& path) {
            return ParticipantUpload(connection).run(path.toStdString());
        }
        Rows stored() const { return database.rows("SELECT ID, no_undian, nama, hp FROM tb_peserta ORDER BY rowid"); }
    };

private slots:
    void walk_data() {
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<int>("columns");
        QTest::addColumn<QString>("rows");
        QTest::newRow("three rows, then an empty one")
            << QByteArray("NO,UNDIAN,NAMA,HP\n1,A1,Ani,0811\n2,A2,Budi,0812\n3,A3,Citra,0813\n,,,\n9,A9,Dewi,0819\n")
            << 4 << "1|A1|Ani|0811;2|A2|Budi|0812;3|A3|Citra|0813";
        QTest::newRow("gap in column 1 at row 3") << QByteArray("NO,NAMA\n1,Ani\n,Budi\n3,Citra\n") << 2 << "1|Ani";
        QTest::newRow("heading only: row 2 is read, empty") << QByteArray("NO,UNDIAN,NAMA,HP\n") << 4 << "|||";
        QTest::newRow("row 2 empty is read and the walk goes on")
            << QByteArray("NO,NAMA\n,\n3,Citra\n4,Dewi\n") << 2 << "|;3|Citra;4|Dewi";
        QTest::newRow("short rows are filled with empty cells")
            << QByteArray("NO,UNDIAN,NAMA,HP\n1,A1\n2\n3,A3,Citra,0813\n") << 4 << "1|A1||;2|||;3|A3|Citra|0813";
        QTest::newRow("five columns are all kept") << QByteArray("a,b,c,d,e\n1,2,3,4,5\n") << 5 << "1|2|3|4|5";
        QTest::newRow("one column") << QByteArray("NO\n7\n8\n") << 1 << "7;8";
        QTest::newRow("a wider row after the gap widens the sheet")
            << QByteArray("NO,NAMA\n1,Ani\n\n4,b,c,d,e\n") << 5 << "1|Ani|||";
        QTest::newRow("a wider participant widens the sheet")
            << QByteArray("NO\n1\n2,Budi,,0812\n") << 4 << "1|||;2|Budi||0812";
        QTest::newRow("a blank is not empty")
            << QByteArray("NO,NAMA\n1,Ani\n ,Budi\n3,Citra\n") << 2 << "1|Ani; |Budi;3|Citra";
        QTest::newRow("UTF-8 names, leading zeros kept in text")
            << QByteArray("NO;NAMA;HP\n01;Sri Rahayu Ñ;081234\n") << 3 << QStringLiteral("01|Sri Rahayu Ñ|081234");
    }
    void walk() {
        QFETCH(QByteArray, csv);
        QFETCH(int, columns);
        QFETCH(QString, rows);
        const QString path = write(QStringLiteral("walk.csv"), csv);
        // Batches of one row and of many must walk alike: the heading and the stop fall anywhere in a batch.
        for (std::size_t batchRows : {std::size_t{1}, std::size_t{2}, std::size_t{4096}}) {
            int columnCount = 0;
            const Rows walked = ImportRowsTest::walk(path, columnCount, batchRows);
            QCOMPARE(columnCount, columns);
            QCOMPARE(joined(walked), rows);
        }
    }

    void walkStopsReadingAtTheGap() {
        // A long sheet whose walk ends at row 3: the rest is never delivered, and the reader stops early.
        QByteArray csv("NO,NAMA\n1,Ani\n\n");
        for (int i = 4; i < 200000; ++i)
            csv += QByteArray::number(i) + ",Nama\n";
        const QString path = write(QStringLiteral("gap.csv"), csv);
        ParticipantRows rows(path.toStdString(), 16);
        ParticipantRows::Batch batch;
        std::size_t seen = 0;
        while (rows.next(batch))
            seen += batch.size();
        QCOMPARE(seen, std::size_t{1});
        QCOMPARE(rows.delivered(), std::size_t{1});
    }

    // What a row with an empty first cell leaves out of the list: its own other cells and the rows after it that
    // hold a value, wherever the batches break.
    void listEnd_data() {
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<int>("row"); // the row that ended the list, 0 for the sheet's end
        QTest::addColumn<bool>("rowHoldsValues");
        QTest::addColumn<int>("rowsWithValues");
        QTest::addColumn<bool>("leavesOut");
        QTest::newRow("a blank row, then rows with values")
            << QByteArray("NO,NAMA\n1,Ani\n2,Budi\n,\n4,Dewi\n5,Eka\n") << 4 << false << 2 << true;
        QTest::newRow("a row blank in column 1 only")
            << QByteArray("NO,NAMA\n1,Ani\n,Budi\n3,Citra\n") << 3 << true << 1 << true;
        QTest::newRow("a row blank in column 1 only, last")
            << QByteArray("NO,NAMA\n1,Ani\n,Budi\n") << 3 << true << 0 << true;
        // Empty rows at the end are no rows of the sheet: the sheet ends the list.
        QTest::newRow("trailing blank rows")
            << QByteArray("NO,NAMA\n1,Ani\n2,Budi\n,\n\n,\n") << 0 << false << 0 << false;
        QTest::newRow("blank rows among those left out")
            << QByteArray("NO\n1\n\n\n5\n\n7\n,\n") << 3 << false << 2 << true;
        QTest::newRow("a blank is a value") << QByteArray("NO\n1\n\n \n") << 3 << false << 1 << true;
        QTest::newRow("the sheet ends the list") << QByteArray("NO,NAMA\n1,Ani\n2,Budi\n") << 0 << false << 0 << false;
        QTest::newRow("row 2 empty is read, row 3 ends the list")
            << QByteArray("NO,NAMA\n,\n\n4,Dewi\n") << 3 << false << 1 << true;
    }
    void listEnd() {
        QFETCH(QByteArray, csv);
        QFETCH(int, row);
        QFETCH(bool, rowHoldsValues);
        QFETCH(int, rowsWithValues);
        QFETCH(bool, leavesOut);
        const QString path = write(QStringLiteral("end.csv"), csv);
        for (std::size_t batchRows : {std::size_t{1}, std::size_t{2}, std::size_t{4096}}) {
            ParticipantRows rows(path.toStdString(), batchRows);
            ParticipantRows::Batch batch;
            while (rows.next(batch)) {
            }
            while (rows.finish(std::chrono::milliseconds(10)) == ParticipantRows::Next::NotYet) {
            }
            const ParticipantRows::ListEnd& end = rows.listEnd();
            QCOMPARE(end.row, std::size_t(row));
            QCOMPARE(end.rowHoldsValues, rowHoldsValues);
            QCOMPARE(end.rowsWithValues, std::size_t(rowsWithValues));
            QCOMPARE(end.leavesOut(), leavesOut);
        }
    }

    // A list that leaves rows out is stored only when the operator agrees, asked before anything is committed (the
    // journal's entry included); a refused file and a list that leaves nothing out ask nothing.
    void uploadAsksAboutWhatTheListLeavesOut_data() {
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<QString>("asked"); // "row/rows after", empty when not asked
        QTest::addColumn<ParticipantUpload::Outcome>("outcome");
        QTest::addColumn<QString>("ids"); // tb_peserta afterwards, 100 stored before
        const QByteArray cut("NO,NAMA\n1,Ani\n2,Budi\n,\n4,Dewi\n5,Eka\n");
        QTest::newRow("yes") << cut << true << "4/2" << ParticipantUpload::Outcome::Stored << "100,1,2";
        QTest::newRow("no") << cut << false << "4/2" << ParticipantUpload::Outcome::Declined << "100";
        QTest::newRow("trailing blank rows")
            << QByteArray("NO,NAMA\n1,Ani\n,\n,\n") << false << "" << ParticipantUpload::Outcome::Stored << "100,1";
        QTest::newRow("refused before the question") << QByteArray("NO,NAMA\n1,Ani\n1,Budi\n,\n4,Dewi\n") << true << ""
                                                     << ParticipantUpload::Outcome::Refused << "100";
        QTest::newRow("a fifth column among the rows left out")
            << QByteArray("NO,NAMA\n1,Ani\n,\n,,,,x\n") << true << "" << ParticipantUpload::Outcome::Refused << "100";
    }
    void uploadAsksAboutWhatTheListLeavesOut() {
        QFETCH(QByteArray, csv);
        QFETCH(bool, answer);
        QFETCH(QString, asked);
        QFETCH(ParticipantUpload::Outcome, outcome);
        QFETCH(QString, ids);
        Upload upload;
        upload.database.exec("INSERT INTO tb_peserta VALUES (100, 'X', 'Lama', '0800')");
        ParticipantUpload job(upload.connection);
        QStringList questions;
        std::size_t storedWhenAsked = 0;
        job.setConfirmListEnd([&](const ParticipantRows::ListEnd& end, std::size_t rows) {
            questions << QStringLiteral("%1/%2").arg(end.row).arg(end.rowsWithValues);
            storedWhenAsked = rows;
            return answer;
        });
        bool committing = false;
        job.setBeforeCommit([&](std::size_t) { committing = true; });
        const auto result = job.run(write(QStringLiteral("cut.csv"), csv).toStdString());
        QCOMPARE(questions, asked.isEmpty() ? QStringList() : QStringList{asked});
        QCOMPARE(result.outcome, outcome);
        if (!asked.isEmpty()) QCOMPARE(storedWhenAsked, std::size_t{2});
        QCOMPARE(committing, outcome == ParticipantUpload::Outcome::Stored);
        QStringList stored;
        for (const auto& row : upload.stored())
            stored << QString::fromStdString(row.at(0));
        QCOMPARE(stored.join(QLatin1Char(',')), ids);
    }

    void unreadableFileNamesIt_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("reason");
        QTest::newRow("empty file") << QByteArray() << "empty";
        QTest::newRow("binary") << QByteArray("\x00\x01\x02\x03\xff\xfe\x00\x00garbage", 16) << "not a spreadsheet";
        QTest::newRow("truncated zip") << QByteArray("PK\x03\x04\x14\x00\x00\x00", 8) << "";
    }
    void unreadableFileNamesIt() {
        QFETCH(QByteArray, content);
        QFETCH(QString, reason);
        const QString path = write(QStringLiteral("peserta.xlsx"), content);
        try {
            ParticipantRows rows(path.toStdString());
            ParticipantRows::Batch batch;
            rows.next(batch);
            QFAIL("no error");
        } catch (const platform::Error& error) {
            const QString message = QString::fromUtf8(error.what());
            QVERIFY2(message.contains(path), qPrintable(message));
            QVERIFY2(message.contains(reason), qPrintable(message));
        }
        Upload upload;
        QVERIFY_THROWS_EXCEPTION(platform::Error, upload.run(path));
        QCOMPARE(upload.database.count("tb_peserta"), 0);
    }

    void uploadStoresTheRows() {
        Upload upload;
        upload.database.exec("INSERT INTO tb_peserta VALUES (100, 'X', 'Lama', '0800')");
        const QString path =
            write(QStringLiteral("ok.csv"), "NO,UNDIAN,NAMA,HP\n1,A1,Ani,0811\n +2 ,A2,,0812\n-3,A3,Citra Ñ,\n");
        const auto result = upload.run(path);
        QCOMPARE(result.outcome, ParticipantUpload::Outcome::Stored);
        QCOMPARE(result.rows, std::size_t{3});
        QCOMPARE(joined(upload.stored()), QStringLiteral("100|X|Lama|0800;1|A1|Ani|0811;2|A2||0812;-3|A3|Citra Ñ|"));
        // Empty cells are stored as empty texts, as the entry form stores them, not as NULL.
        QCOMPARE(upload.database.count("tb_peserta WHERE nama = ''"), 1);
    }

    void uploadLeavesColumnsBeyondTheSheetNull() {
        Upload upload;
        QCOMPARE(upload.run(write(QStringLiteral("two.csv"), "NO,UNDIAN\n1,A1\n2,\n")).outcome,
                 ParticipantUpload::Outcome::Stored);
        QCOMPARE(joined(upload.stored()), QStringLiteral("1|A1|<null>|<null>;2||<null>|<null>"));
    }

    void uploadRefusesTheWholeFile_data() {
        using Refusal = ParticipantUpload::Refusal;
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<Refusal>("refusal");
        QTest::addColumn<int>("row");        // the refused sheet row
        QTest::addColumn<QString>("id");     // as the refusal names it
        QTest::addColumn<int>("earlierRow"); // a repeated ID's first row
        QTest::newRow("ID repeated in the file")
            << QByteArray("NO,NAMA\n1,Ani\n2,Budi\n1,Citra\n") << Refusal::IdRepeatedInFile << 4 << "1" << 2;
        QTest::newRow("ID repeated in another form")
            << QByteArray("NO,NAMA\n1,Ani\n+2,Budi\n 2 ,Citra\n") << Refusal::IdRepeatedInFile << 4 << "2" << 3;
        QTest::newRow("ID already stored")
            << QByteArray("NO,NAMA\n7,Ani\n100,Budi\n") << Refusal::IdAlreadyStored << 3 << "100" << 0;
        QTest::newRow("decimal ID") << QByteArray("NO,NAMA\n1,Ani\n1.5,Budi\n") << Refusal::IdNotWholeNumber << 3
                                    << "1.5" << 0;
        QTest::newRow("text ID") << QByteArray("NO,NAMA\n1,Ani\nsatu,Budi\n") << Refusal::IdNotWholeNumber << 3
                                 << "satu" << 0;
        QTest::newRow("two signs") << QByteArray("NO,NAMA\n1,Ani\n+-2,Budi\n") << Refusal::IdNotWholeNumber << 3
                                   << "+-2" << 0;
        QTest::newRow("blank ID") << QByteArray("NO,NAMA\n1,Ani\n  ,Budi\n") << Refusal::EmptyId << 3 << "  " << 0;
        QTest::newRow("heading only: row 2 has no ID") << QByteArray("NO,NAMA\n") << Refusal::EmptyId << 2 << "" << 0;
        QTest::newRow("ID beyond 64 bits") << QByteArray("NO,NAMA\n99999999999999999999,Ani\n") << Refusal::IdTooLarge
                                           << 2 << "99999999999999999999" << 0;
        QTest::newRow("five columns") << QByteArray("NO,UNDIAN,NAMA,HP,KOTA\n1,A1,Ani,0811,Solo\n")
                                      << Refusal::TooManyColumns << 0 << "" << 0;
    }
    void uploadRefusesTheWholeFile() {
        QFETCH(QByteArray, csv);
        QFETCH(ParticipantUpload::Refusal, refusal);
        QFETCH(int, row);
        QFETCH(QString, id);
        QFETCH(int, earlierRow);
        Upload upload;
        upload.database.exec("INSERT INTO tb_peserta VALUES (100, 'X', 'Lama', '0800')");
        const auto result = upload.run(write(QStringLiteral("bad.csv"), csv));
        QCOMPARE(result.outcome, ParticipantUpload::Outcome::Refused);
        QVERIFY(!result.reason.empty());
        QCOMPARE(joined(upload.stored()), QStringLiteral("100|X|Lama|0800"));
        QCOMPARE(result.refusal, refusal);
        QCOMPARE(result.sheetRow, std::size_t(row));
        QCOMPARE(QString::fromStdString(result.id), id);
        QCOMPARE(result.earlierRow, std::size_t(earlierRow));
        if (refusal == ParticipantUpload::Refusal::TooManyColumns) QCOMPARE(result.columns, 5);
    }

    // Long sheets go in many rows per statement: a refused row anywhere among them is still found exactly, and
    // everything before it, in earlier statements and batches, is rolled back too.
    void uploadLongFile_data() {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("columns");
        QTest::addColumn<int>("badRow"); // index of the refused participant, -1 for none
        QTest::addColumn<QByteArray>("badId");
        QTest::newRow("all stored, four columns") << 1000 << 4 << -1 << QByteArray();
        QTest::newRow("all stored, two columns") << 1000 << 2 << -1 << QByteArray();
        QTest::newRow("repeated ID inside a full statement") << 1000 << 4 << 100 << QByteArray("7");
        QTest::newRow("text ID inside a full statement") << 1000 << 3 << 130 << QByteArray("x");
        QTest::newRow("repeated ID in the last short statement") << 1000 << 4 << 999 << QByteArray("1");
        QTest::newRow("repeated ID after many batches") << 50000 << 4 << 49990 << QByteArray("17");
    }
    void uploadLongFile() {
        QFETCH(int, rows);
        QFETCH(int, columns);
        QFETCH(int, badRow);
        QFETCH(QByteArray, badId);
        QByteArray csv("NO,UNDIAN,NAMA,HP\n");
        for (int i = 0; i < rows; ++i) {
            const QByteArray id = i == badRow ? badId : QByteArray::number(i + 1);
            const QByteArray n = QByteArray::number(i + 1);
            const QByteArray fields[] = {id, "U" + n, "Nama " + n, "08" + n};
            for (int c = 0; c < columns; ++c)
                csv += (c ? "," : "") + fields[c];
            csv += "\n";
        }
        if (columns < 4) csv.replace("NO,UNDIAN,NAMA,HP", columns == 2 ? "NO,UNDIAN" : "NO,UNDIAN,NAMA");
        Upload upload;
        std::size_t lastProgress = 0;
        ParticipantUpload job(upload.connection);
        job.setProgress([&](std::size_t read) {
            QVERIFY(read >= lastProgress); // told again, unchanged, while the reader has nothing ready
            lastProgress = read;
        });
        const auto result = job.run(write(QStringLiteral("long.csv"), csv).toStdString());
        if (badRow >= 0) {
            QCOMPARE(result.outcome, ParticipantUpload::Outcome::Refused);
            QCOMPARE(result.rows, std::size_t(badRow));
            const std::string row = "row " + std::to_string(badRow + 2) + ":";
            QVERIFY2(result.reason.rfind(row, 0) == 0, result.reason.c_str());
            QCOMPARE(result.sheetRow, std::size_t(badRow + 2));
            // A repeated ID names the row that holds it first, though that row went in with many others.
            if (badId != "x") QCOMPARE(result.earlierRow, std::size_t(badId.toInt() + 1));
            QCOMPARE(upload.database.count("tb_peserta"), 0);
            // The transaction was closed: the connection takes the next upload.
            QCOMPARE(upload.run(write(QStringLiteral("after.csv"), "NO\n1\n")).outcome,
                     ParticipantUpload::Outcome::Stored);
            return;
        }
        QCOMPARE(result.outcome, ParticipantUpload::Outcome::Stored);
        QCOMPARE(result.rows, std::size_t(rows));
        QCOMPARE(lastProgress, std::size_t(rows));
        QCOMPARE(upload.database.count("tb_peserta"), rows);
        const auto mismatched =
            upload.database.rows("SELECT count(*) FROM tb_peserta WHERE no_undian IS NOT 'U' || ID OR " +
                                 std::string(columns == 4 ? "nama IS NOT 'Nama ' || ID OR hp IS NOT '08' || ID"
                                                          : "nama IS NOT NULL OR hp IS NOT NULL"));
        QCOMPARE(mismatched.at(0).at(0), std::string("0"));
        // In sheet order.
        QCOMPARE(upload.database.rows("SELECT ID FROM tb_peserta ORDER BY rowid LIMIT 1 OFFSET 777").at(0).at(0),
                 std::string("778"));
    }

    // The heading names two columns and a later participant brings the other two: the rows stored before it get
    // empty texts there, as every row within the sheet's columns does; rows that were there before keep their NULLs.
    void uploadFillsColumnsALaterRowBrings() {
        Upload upload;
        upload.database.exec("INSERT INTO tb_peserta (ID, no_undian) VALUES (100, 'X')");
        const auto result = upload.run(QStringLiteral(TOMBOLIKA_TEST_DATA "/sheets/columns-grow.xlsx"));
        QCOMPARE(result.outcome, ParticipantUpload::Outcome::Stored);
        QCOMPARE(joined(upload.stored()), QStringLiteral("100|X|<null>|<null>;1|U-1||;2|U-2|Budi|08123"));
    }

    void uploadTwiceRefusesTheSecond() {
        Upload upload;
        const QString path = write(QStringLiteral("twice.csv"), "NO,UNDIAN,NAMA,HP\n1,A1,Ani,0811\n2,A2,Budi,0812\n");
        QCOMPARE(upload.run(path).outcome, ParticipantUpload::Outcome::Stored);
        const auto second = upload.run(path);
        QCOMPARE(second.outcome, ParticipantUpload::Outcome::Refused);
        QCOMPARE(second.refusal, ParticipantUpload::Refusal::IdAlreadyStored); // not a repeat within the file
        QCOMPARE(second.id, std::string("1"));
        QCOMPARE(upload.database.count("tb_peserta"), 2);
    }
};

TOMBOLIKA_QTEST_GUILESS_MAIN_ON_EACH_STORE(ImportRowsTest)
#include "ImportRowsTest.moc"
