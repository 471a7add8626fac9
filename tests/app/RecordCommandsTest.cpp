// "tombolika --verify" and "tombolika --minutes" run as a notary would run them: the real program, no display, on
// a database whose journal the program's record layer wrote. The minutes are read back with pdftotext.
#include "tests/record/RecordedDraw.h"

#include "core/record/Verification.h"
#include "tests/support/TestServer.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

struct Outcome {
    int exitCode = -1;
    QString out;
    QString err;
};

// The program with these arguments, without any display or platform named, in UTC.
Outcome program(const QStringList& arguments) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    environment.insert(QStringLiteral("TZ"), QStringLiteral("UTC"));
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(TOMBOLIKA_PROGRAM), arguments);
    if (!process.waitForFinished(120000)) return {};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}

// The text of the PDF's pages, from `first` to `last` (0: to the end).
QString pdfText(const QString& path, int first = 1, int last = 0) {
    QStringList arguments{QStringLiteral("-layout"), QStringLiteral("-f"), QString::number(first)};
    if (last) arguments << QStringLiteral("-l") << QString::number(last);
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), arguments << path << QStringLiteral("-"));
    pdftotext.waitForFinished(60000);
    return QString::fromUtf8(pdftotext.readAllStandardOutput());
}

// The hash in groups of eight hex digits, as the minutes print it: four groups a line in a table.
QStringList grouped(const QString& hash) {
    QStringList groups;
    for (qsizetype i = 0; i < hash.size(); i += 8)
        groups << hash.mid(i, 8);
    return {groups.mid(0, 4).join(QLatin1Char(' ')), groups.mid(4).join(QLatin1Char(' '))};
}

// A day of drawing: 40 winners saved (the minutes then run over several pages), the 40th deleted, one draw stopped
// and not saved.
class RecordCommands : public ::testing::Test {
protected:
    void SetUp() override {
        RecordedDraw draw(db, 50);
        draw.start();
        for (int i = 1; i <= 40; ++i)
            last = draw.drawWinner(i, QStringLiteral("Hadiah %1").arg(i));
        draw.deleteWinner(last);
        draw.stop(45);
        draw.end();
        fingerprint = QString::fromStdString(draw.list->fingerprint().sha256);
        db.cn().close();
    }
    QString database() const { return QString::fromStdString(db.path()); }

    TestDatabase db;
    std::int64_t last = 0;
    QString fingerprint;
    QTemporaryDir dir;
};

TEST_F(RecordCommands, VerifyPrintsTheRunAndEndsWithItsVerdict) {
    const Outcome intact = program({QStringLiteral("--verify"), database()});
    ASSERT_EQ(intact.exitCode, 0) << intact.out.toStdString() << intact.err.toStdString();
    const QStringList lines = intact.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    EXPECT_TRUE(lines.contains(QStringLiteral("Run of entry #2, started 2024-05-01T09:00:01.000Z: 50 participants, "
                                              "fingerprint %1, speed 50 ms")
                                   .arg(fingerprint)))
        << intact.out.toStdString();
    EXPECT_TRUE(lines.back().startsWith(QStringLiteral("OK: 85 entries, last hash "))) << lines.back().toStdString();
    // The program's own database, in the folder it was given.
    const Outcome inFolder = program({QStringLiteral("--folder"), db.directory(), QStringLiteral("--verify")});
    EXPECT_EQ(inFolder.exitCode, 0);
    EXPECT_TRUE(inFolder.out.endsWith(lines.back() + QLatin1Char('\n')));

    db.exec("INSERT INTO tb_pemenang VALUES('D99','Siapa','Motor')");
    const Outcome broken = program({QStringLiteral("--verify"), database()});
    EXPECT_EQ(broken.exitCode, 1);
    EXPECT_TRUE(broken.out.endsWith(QStringLiteral("BROKEN: winner row 40 ('D99', 'Siapa', 'Motor') was not saved "
                                                   "by the program and was not there when the journal began\n")))
        << broken.out.toStdString();

    EXPECT_EQ(program({QStringLiteral("--verify"), dir.filePath(QStringLiteral("none.mdb"))}).exitCode, 2);
}

// --verify --json: the same check as one JSON document, the exit status as without it.
TEST_F(RecordCommands, VerifyAsJsonIsOneDocumentWithTheSameVerdict) {
    const Outcome text = program({QStringLiteral("--verify"), database()});
    const Outcome json = program({QStringLiteral("--verify"), QStringLiteral("--json"), database()});
    ASSERT_EQ(json.exitCode, 0) << json.err.toStdString();
    QJsonParseError error;
    const QJsonObject check = QJsonDocument::fromJson(json.out.toUtf8(), &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << json.out.toStdString();
    EXPECT_EQ(check[QStringLiteral("verdict")].toString(),
              text.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts).back());
    EXPECT_EQ(check[QStringLiteral("outcome")].toString(), QStringLiteral("intact"));
    EXPECT_EQ(check[QStringLiteral("entries")].toInt(), 85);
    EXPECT_EQ(check[QStringLiteral("winners")].toArray().size(), 40);
    EXPECT_TRUE(check[QStringLiteral("K")].isNull()) << "no keyed draw";
    EXPECT_TRUE(check[QStringLiteral("picks")].toArray().isEmpty());

    db.exec("INSERT INTO tb_pemenang VALUES('D99','Siapa','Motor')");
    const Outcome broken = program({QStringLiteral("--verify"), QStringLiteral("--json"), database()});
    EXPECT_EQ(broken.exitCode, 1);
    const QJsonObject brokenCheck = QJsonDocument::fromJson(broken.out.toUtf8()).object();
    EXPECT_EQ(brokenCheck[QStringLiteral("outcome")].toString(), QStringLiteral("broken"));
    EXPECT_EQ(brokenCheck[QStringLiteral("problems")].toArray().size(), 1);
}

TEST_F(RecordCommands, MinutesHoldTheListTheWinnersAndTheSignatures) {
    const QString pdf = dir.filePath(QStringLiteral("berita acara.pdf"));
    const Outcome run = program({QStringLiteral("--minutes"), pdf, database()});
    ASSERT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
    const QString text = pdfText(pdf);
    const auto has = [&](const QString& what) { return text.contains(what); };
    for (const QString& expected :
         {QStringLiteral("BERITA ACARA PENGUNDIAN"), QStringLiteral("Dibuat dengan Tombolika versi 1.2"),
          QStringLiteral("1. Daftar peserta yang diundi"), QStringLiteral("01-05-2024 09:00:01"),
          grouped(fingerprint).at(0), grouped(fingerprint).at(1), QStringLiteral("2. Pemenang"),
          QStringLiteral("3. Pemenang yang dihapus"),
          QStringLiteral("4. Pengundian yang dihentikan tetapi tidak disimpan"), QStringLiteral("45 dari 50"),
          QStringLiteral("5. Pemeriksaan jurnal"), QStringLiteral("Jumlah entri jurnal: 85"), QStringLiteral("UTUH"),
          QStringLiteral("Penyelenggara"), QStringLiteral("Notaris"), QStringLiteral("Saksi 1"),
          QStringLiteral("Saksi 2")})
        EXPECT_TRUE(has(expected)) << expected.toStdString() << "\n" << text.toStdString();
    // The winners in the order saved, each with its number, name and prize; the deleted one only among the deleted.
    qsizetype at = 0;
    for (int i = 1; i <= 39; ++i) {
        const qsizetype found = text.indexOf(QStringLiteral("Nama %1 ").arg(i), at);
        ASSERT_GT(found, at) << "winner " << i;
        EXPECT_TRUE(text.mid(found, 200).contains(QStringLiteral("Hadiah %1").arg(i))) << i;
        at = found;
    }
    EXPECT_GT(text.indexOf(QStringLiteral("Hadiah 40")), text.indexOf(QStringLiteral("3. Pemenang yang dihapus")));

    // Several pages, each numbered; the winners' heading repeated on the second; the signatures together.
    const int pages = static_cast<int>(text.count(QLatin1Char('\f')));
    ASSERT_GE(pages, 2) << text.toStdString();
    for (int page = 1; page <= pages; ++page)
        EXPECT_TRUE(pdfText(pdf, page, page).contains(QStringLiteral("Halaman %1 dari %2").arg(page).arg(pages)));
    const QString second = pdfText(pdf, 2, 2);
    EXPECT_TRUE(second.contains(QStringLiteral("Nomor Undian")) && second.contains(QStringLiteral("Hadiah")))
        << second.toStdString();
    const QString lastPage = pdfText(pdf, pages, pages);
    for (const char* role : {"Penyelenggara", "Notaris", "Saksi 1", "Saksi 2"})
        EXPECT_TRUE(lastPage.contains(QString::fromLatin1(role))) << role;
}

TEST_F(RecordCommands, MinutesOfABrokenJournalSaySo) {
    db.exec("UPDATE tb_pemenang SET hadiah='Mobil' WHERE rowid=1");
    const QString pdf = dir.filePath(QStringLiteral("rusak.pdf"));
    const Outcome run = program({QStringLiteral("--minutes"), pdf, database()});
    EXPECT_EQ(run.exitCode, 1);
    const QString text = pdfText(pdf);
    EXPECT_TRUE(text.contains(QStringLiteral("TIDAK UTUH"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("winner row 1 is"))) << text.toStdString();

    const QString none = dir.filePath(QStringLiteral("none.pdf"));
    EXPECT_EQ(program({QStringLiteral("--minutes"), none, dir.filePath(QStringLiteral("none.mdb"))}).exitCode, 2);
    EXPECT_FALSE(QFile::exists(none));
    EXPECT_EQ(program({QStringLiteral("--minutes")}).exitCode, 2);
}

// A company's event as the minutes must print it: 60 winners with draw numbers of 13 to 21 characters, names of
// three and four words (among them long single words) and prizes of several words, so rows run to two and three
// lines and meet the pages' ends.
class LongMinutes : public ::testing::Test {
protected:
    struct Row {
        QString number, name, prize;
    };

    void SetUp() override {
        static const QStringList names{
            QStringLiteral("Raden Ajeng Kusumawardhaniningsih"), QStringLiteral("Muhammad Rizky Pratama Wijayakusuma"),
            QStringLiteral("Siti Nurhalizah Purbaningtyas"), QStringLiteral("Bagus Hadiningrat Mangkubumi Suryokusumo"),
            QStringLiteral("Yohanes Krisostomus Simanjuntak")};
        static const QStringList prizes{QStringLiteral("Sepeda Motor Listrik"),
                                        QStringLiteral("Voucher Belanja Rp1.000.000"),
                                        QStringLiteral("Kulkas Dua Pintu"), QStringLiteral("Televisi LED 43 inci")};
        RecordedDraw draw(db, 0);
        for (int i = 1; i <= 80; ++i)
            db.exec(QStringLiteral("INSERT INTO tb_peserta VALUES(%1, '%2', '%3', '0812%1')")
                        .arg(i)
                        .arg(i % 3 == 0 ? QStringLiteral("KUPON/JKT/2025/%1").arg(i, 6, 10, QLatin1Char('0'))
                                        : QStringLiteral("EMP-2025-%1").arg(300 + i, 4, 10, QLatin1Char('0')),
                             names[i % names.size()])
                        .toStdString());
        draw.start();
        for (int i = 1; i <= 60; ++i) {
            draw.drawWinner(i, prizes[i % prizes.size()]);
            rows.push_back({QString::fromStdString(draw.draw->fieldText(1)),
                            QString::fromStdString(draw.draw->fieldText(2)), prizes[i % prizes.size()]});
        }
        draw.end();
        db.cn().close();
    }

    TestDatabase db;
    std::vector<Row> rows;
    QTemporaryDir dir;
};

TEST_F(LongMinutes, NumbersNamesAndPrizesStayWholeAndRowsOnOnePage) {
    const QString pdf = dir.filePath(QStringLiteral("berita-acara.pdf"));
    const Outcome run = program({QStringLiteral("--minutes"), pdf, QString::fromStdString(db.path())});
    ASSERT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
    const QString text = pdfText(pdf);
    ASSERT_GE(text.count(QLatin1Char('\f')), 3) << "the winners run over several pages";
    // A winner's row: from the line with its number to the next winner's number or the page's end. Each of its
    // words is a whole word there; a word broken inside, or a part of the row on the next page, is not.
    qsizetype at = text.indexOf(QStringLiteral("2. Pemenang"));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Row& row = rows[i];
        const qsizetype start = text.lastIndexOf(QLatin1Char('\n'), text.indexOf(row.number, at)) + 1;
        ASSERT_GT(start, at) << "winner " << i + 1 << " " << row.number.toStdString() << " not whole\n"
                             << text.toStdString();
        qsizetype end = text.indexOf(QLatin1Char('\f'), start);
        if (i + 1 < rows.size()) {
            const qsizetype next = text.indexOf(rows[i + 1].number, start);
            if (next >= 0) end = std::min(end, text.lastIndexOf(QLatin1Char('\n'), next));
        }
        const QStringList words = text.mid(start, end - start).split(QRegularExpression(QStringLiteral("\\s+")));
        const QStringList whole = (row.name + QLatin1Char(' ') + row.prize).split(QLatin1Char(' ')) << row.number;
        for (const QString& word : whole)
            EXPECT_TRUE(words.contains(word)) << "winner " << i + 1 << ": '" << word.toStdString() << "' not whole in\n"
                                              << text.mid(start, end - start).toStdString();
        at = start;
    }
}

// An event's day as the trial ran it: started before the list was imported (0 participants), the list uploaded,
// started again to look, the draw, a start that only deleted a winner, a last start to print. The minutes name the
// lists of the runs that drew, saved or deleted, and count the others.
TEST(RecordCommandsMinutes, ListOnlyTheRunsThatDrewSavedOrDeleted) {
    TestDatabase db;
    RecordedDraw draw(db, 0);
    const auto idle = [&] {
        draw.start();
        draw.journal->ensureStarted();
    };
    idle(); // run 1: before the import
    draw.journal->recordChange(record::event::kUpload, [&] {
        for (int i = 1; i <= 30; ++i) {
            db::SqlCommand insert;
            insert.setConnection(&db.cn());
            insert.setCommandText("insert into tb_peserta values(?,?,?,?)");
            insert.setParameters({std::to_string(i), "D" + std::to_string(i), "Nama " + std::to_string(i), "08"});
            insert.execute();
        }
        return QJsonObject{{QStringLiteral("rows"), 30}};
    });
    draw.end();
    idle(); // run 2: to look
    draw.end();
    draw.start(); // run 3: the draw
    const std::int64_t saved = draw.drawWinner(7, QStringLiteral("Kulkas"));
    draw.drawWinner(9, QStringLiteral("Sepeda"));
    draw.end();
    draw.start(); // run 4: a winner deleted
    draw.deleteWinner(saved);
    draw.end();
    idle(); // run 5: to print
    draw.end();
    db.cn().close();

    const auto check = record::Verification::of(db.path());
    ASSERT_EQ(check.exitCode(), 0) << check.text().toStdString();
    ASSERT_EQ(check.runs().size(), 5u);
    const QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("berita-acara.pdf"));
    const Outcome run = program({QStringLiteral("--minutes"), pdf, QString::fromStdString(db.path())});
    ASSERT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
    const QString text = pdfText(pdf);
    const QString lists =
        text.mid(text.indexOf(QStringLiteral("1. Daftar peserta")),
                 text.indexOf(QStringLiteral("2. Pemenang")) - text.indexOf(QStringLiteral("1. Daftar peserta")));
    const auto local = [](const QString& time) {
        return QDateTime::fromString(time, Qt::ISODateWithMs).toString(QStringLiteral("dd-MM-yyyy HH:mm:ss"));
    };
    const auto started = [&](std::size_t run) { return local(check.runs()[run].time); };
    // The journal's beginning, then runs 3 and 4, numbered 1 to 3.
    const QStringList rows = lists.split(QLatin1Char('\n')).filter(QRegularExpression(QStringLiteral("^\\d+ ")));
    ASSERT_EQ(rows.size(), 3) << lists.toStdString();
    EXPECT_TRUE(rows[0].startsWith(QStringLiteral("1 ")) && rows[0].contains(local(check.begun()->time)))
        << rows[0].toStdString();
    EXPECT_TRUE(rows[1].startsWith(QStringLiteral("2 ")) && rows[1].contains(started(2))) << rows[1].toStdString();
    EXPECT_TRUE(rows[2].startsWith(QStringLiteral("3 ")) && rows[2].contains(started(3))) << rows[2].toStdString();
    for (const std::size_t idleRun : {1u, 4u})
        EXPECT_FALSE(lists.contains(started(idleRun))) << idleRun;
    EXPECT_TRUE(lists.simplified().contains(
        QStringLiteral("Selain itu, program dijalankan 3 kali lagi tanpa ada yang diundi, disimpan, atau dihapus.")))
        << lists.toStdString();
}

// A list read again during a run is the list drawn from from then on: it stands under its run, with its count.
TEST(RecordCommandsMinutes, AListReadAgainStandsUnderItsRun) {
    TestDatabase db;
    RecordedDraw draw(db, 3);
    draw.start();
    draw.drawWinner(2, QStringLiteral("TV"));
    draw.addParticipant(4);
    draw.reload();
    draw.drawWinner(4, QStringLiteral("Kulkas"));
    draw.end();
    db.cn().close();

    const auto check = record::Verification::of(db.path());
    ASSERT_EQ(check.exitCode(), 0) << check.text().toStdString();
    ASSERT_EQ(check.runs().size(), 1u);
    ASSERT_EQ(check.runs()[0].reloads.size(), 1u);
    const QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("berita-acara.pdf"));
    const Outcome run = program({QStringLiteral("--minutes"), pdf, QString::fromStdString(db.path())});
    ASSERT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
    const QString text = pdfText(pdf);
    const QString lists =
        text.mid(text.indexOf(QStringLiteral("1. Daftar peserta")),
                 text.indexOf(QStringLiteral("2. Pemenang")) - text.indexOf(QStringLiteral("1. Daftar peserta")));
    const QString reloadedAt = QDateTime::fromString(check.runs()[0].reloads[0].time, Qt::ISODateWithMs)
                                   .toString(QStringLiteral("dd-MM-yyyy HH:mm:ss"));
    // The journal's beginning, the run, the list read again: numbered 1 to 3.
    const QStringList rows = lists.split(QLatin1Char('\n')).filter(QRegularExpression(QStringLiteral("^\\d+ ")));
    ASSERT_EQ(rows.size(), 3) << lists.toStdString();
    EXPECT_TRUE(rows[2].startsWith(QStringLiteral("3 ")) && rows[2].contains(reloadedAt) &&
                rows[2].contains(QStringLiteral(" 4 ")))
        << rows[2].toStdString();
    EXPECT_TRUE(lists.contains(QStringLiteral("(daftar dimuat ulang)"))) << lists.toStdString();
}

// The event as it is run: the program started on an empty table, the list imported and read again ("Muat Ulang
// Daftar"), winners drawn, participants typed in and the list read again, more winners. The minutes name the two
// lists read again, which the winners came from, not the empty one the run started with.
TEST(RecordCommandsMinutes, ListsReadAgainAreTheListsDrawnFrom) {
    TestDatabase db;
    RecordedDraw draw(db, 0);
    draw.start();
    draw.journal->ensureStarted();
    draw.journal->recordChange(record::event::kUpload, [&] {
        for (int i = 1; i <= 30; ++i) {
            db::SqlCommand insert;
            insert.setConnection(&db.cn());
            insert.setCommandText("insert into tb_peserta values(?,?,?,?)");
            insert.setParameters({std::to_string(i), "D" + std::to_string(i), "Nama " + std::to_string(i), "08"});
            insert.execute();
        }
        return QJsonObject{{QStringLiteral("rows"), 30}};
    });
    draw.reload();
    draw.drawWinner(7, QStringLiteral("Kulkas"));
    draw.addParticipant(31);
    draw.reload();
    draw.drawWinner(31, QStringLiteral("Sepeda"));
    draw.end();
    db.cn().close();

    const auto check = record::Verification::of(db.path());
    ASSERT_EQ(check.exitCode(), 0) << check.text().toStdString();
    const auto& reloads = check.runs().at(0).reloads;
    ASSERT_EQ(reloads.size(), 2u);
    const QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("berita-acara.pdf"));
    const Outcome run = program({QStringLiteral("--minutes"), pdf, QString::fromStdString(db.path())});
    ASSERT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
    const QString text = pdfText(pdf);
    const qsizetype from = text.indexOf(QStringLiteral("1. Daftar peserta"));
    const QString lists = text.mid(from, text.indexOf(QStringLiteral("2. Pemenang")) - from);
    const auto local = [](const QString& time) {
        return QDateTime::fromString(time, Qt::ISODateWithMs).toString(QStringLiteral("dd-MM-yyyy HH:mm:ss"));
    };
    // The journal's beginning, then the two lists read again, each with its count and fingerprint.
    const QStringList rows = lists.split(QLatin1Char('\n')).filter(QRegularExpression(QStringLiteral("^\\d+ ")));
    ASSERT_EQ(rows.size(), 3) << lists.toStdString();
    EXPECT_TRUE(rows[0].contains(local(check.begun()->time))) << rows[0].toStdString();
    for (int i : {0, 1}) {
        const QString& row = rows[i + 1];
        EXPECT_TRUE(row.startsWith(QStringLiteral("%1 ").arg(i + 2)) && row.contains(local(reloads[i].time)) &&
                    row.contains(QStringLiteral(" %1 ").arg(30 + i)) &&
                    row.contains(grouped(reloads[i].fingerprint)[0]))
            << row.toStdString();
        EXPECT_TRUE(lists.contains(grouped(reloads[i].fingerprint)[1])) << lists.toStdString();
    }
    EXPECT_EQ(lists.count(QStringLiteral("(daftar dimuat ulang)")), 2) << lists.toStdString();
    EXPECT_FALSE(lists.contains(local(check.runs().at(0).time))) << lists.toStdString();
    EXPECT_TRUE(lists.simplified().contains(
        QStringLiteral("Daftar peserta juga dibaca 1 kali lagi tanpa ada yang diundi darinya.")))
        << lists.toStdString();
}

// A draw number or a word wider than a page cannot stay whole: it is broken where it must, never cut off at the
// page's edge.
TEST(RecordCommandsMinutes, WhatIsWiderThanAPageIsBrokenNotCutOff) {
    TestDatabase db;
    const QString number = QStringLiteral("KUPON-") + QString(QStringLiteral("1234567890")).repeated(9);
    const QString word = QString(QStringLiteral("Panjangnamanya")).repeated(6);
    db.exec(QStringLiteral("INSERT INTO tb_peserta VALUES(1, '%1', '%2', '0812')")
                .arg(number, QStringLiteral("Budi ") + word)
                .toStdString());
    {
        RecordedDraw draw(db, 0);
        draw.start();
        draw.drawWinner(1, QStringLiteral("Sepeda Motor"));
        draw.end();
        db.cn().close();
    }
    const QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("berita-acara.pdf"));
    const Outcome run = program({QStringLiteral("--minutes"), pdf, QString::fromStdString(db.path())});
    ASSERT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
    QProcess pdftotext; // without -layout: the cells' lines one after the other
    pdftotext.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    ASSERT_TRUE(pdftotext.waitForFinished(60000));
    const QString text =
        QString::fromUtf8(pdftotext.readAllStandardOutput()).remove(QRegularExpression(QStringLiteral("\\s")));
    EXPECT_TRUE(text.contains(number)) << text.toStdString();
    EXPECT_TRUE(text.contains(word)) << text.toStdString();
}

// A notary checks the file of a program that died in the middle of a save: its rollback journal is still beside
// it (copied here while the save was half written into the file). The save is undone before the check reads, so the
// check sees the draw as it was last confirmed, not an error about a read-only file.
TEST_F(RecordCommands, VerifyAfterACrashMidSaveSeesTheLastConfirmedState) {
    sqlite3* saving = nullptr;
    ASSERT_EQ(sqlite3_open(db.path().c_str(), &saving), SQLITE_OK);
    // A tiny page cache makes the save write changed pages into the file before it commits.
    ASSERT_EQ(sqlite3_exec(saving,
                           "PRAGMA cache_size=2; BEGIN IMMEDIATE; UPDATE tb_pemenang SET hadiah='Mobil';"
                           "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<2000) "
                           "INSERT INTO tb_peserta SELECT 1000+i, 'X'||i, 'Nama '||i, '08'||i FROM n;",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    const QString crashed = dir.filePath(QStringLiteral("terputus.mdb"));
    ASSERT_TRUE(QFile::copy(database(), crashed));
    ASSERT_TRUE(QFile::copy(database() + QStringLiteral("-journal"), crashed + QStringLiteral("-journal")));
    sqlite3_exec(saving, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(saving);

    const Outcome check = program({QStringLiteral("--verify"), crashed});
    EXPECT_EQ(check.exitCode, 0) << check.out.toStdString() << check.err.toStdString();
    EXPECT_TRUE(check.out.contains(QStringLiteral("\nOK: "))) << check.out.toStdString();
    EXPECT_FALSE(QFile::exists(crashed + QStringLiteral("-journal")));
}

// Help and the version are read on a terminal, which may have no display.
TEST(RecordCommandsTexts, HelpAndVersionNeedNoDisplay) {
    const Outcome help = program({QStringLiteral("--help")});
    EXPECT_EQ(help.exitCode, 0) << help.err.toStdString();
    EXPECT_TRUE(help.out.contains(QStringLiteral("--verify"))) << help.out.toStdString();
    const Outcome version = program({QStringLiteral("--version")});
    EXPECT_EQ(version.exitCode, 0) << version.err.toStdString();
    EXPECT_FALSE(version.out.trimmed().isEmpty());
}

// An event moved onto a server and checked there, as an organiser does it from a terminal: the tables made with
// --create, the desk's file copied with --copy, the journal checked and the minutes written from the server. The
// password in the URI is never printed, nor written into the minutes.
TEST(RecordCommandsOnAServer, CreateCopyVerifyAndMinutesNeverShowThePassword) {
    TestDatabase file(Store::File);
    RecordedDraw draw(file, 20);
    draw.start();
    draw.drawWinner(3, QStringLiteral("TV"));
    draw.end();
    file.cn().close();

    const QString secret = QStringLiteral("rahasia-123");
    const QString server =
        QString::fromStdString(TestServer::shared().newDatabase()) + QStringLiteral("&password=") + secret;
    const Outcome create = program({QStringLiteral("--database"), server, QStringLiteral("--create")});
    EXPECT_EQ(create.exitCode, 0) << create.err.toStdString();
    EXPECT_TRUE(create.out.contains(
        QStringLiteral(": tb_peserta, tb_pemenang, setup, tb_jurnal, tb_hadiah, tb_pemenang_hadiah, tb_tidak_hadir, "
                       "tb_acara, tb_serah_terima.")))
        << create.out.toStdString();

    const Outcome copy = program({QStringLiteral("--copy"), QString::fromStdString(file.path()), server});
    EXPECT_EQ(copy.exitCode, 0) << copy.out.toStdString() << copy.err.toStdString();
    EXPECT_TRUE(copy.out.contains(QStringLiteral("tb_peserta: 20 rows"))) << copy.out.toStdString();
    EXPECT_EQ(copy.out.count(QStringLiteral(": OK: ")), 2) << copy.out.toStdString();

    const Outcome verify = program({QStringLiteral("--verify"), QStringLiteral("--database"), server});
    EXPECT_EQ(verify.exitCode, 0) << verify.out.toStdString() << verify.err.toStdString();
    EXPECT_TRUE(verify.out.contains(QStringLiteral("winner saved row 1:"))) << verify.out.toStdString();

    const QTemporaryDir scratch;
    const QString pdf = scratch.filePath(QStringLiteral("berita-acara.pdf"));
    const Outcome minutes = program({QStringLiteral("--minutes"), pdf, QStringLiteral("--database"), server});
    EXPECT_EQ(minutes.exitCode, 0) << minutes.err.toStdString();
    const QString text = pdfText(pdf).simplified();
    EXPECT_TRUE(text.contains(QStringLiteral("Basis data: postgresql:///tombolika_tests?host="))) << text.toStdString();

    for (const Outcome* run : {&create, &copy, &verify, &minutes})
        EXPECT_FALSE((run->out + run->err).contains(secret)) << (run->out + run->err).toStdString();
    EXPECT_FALSE(text.contains(secret));
    // A second --create finds the tables there; a second copy finds the event there and refuses.
    EXPECT_TRUE(program({QStringLiteral("--database"), server, QStringLiteral("--create")})
                    .out.contains(QStringLiteral("already holds the program's tables")));
    const Outcome again = program({QStringLiteral("--copy"), QString::fromStdString(file.path()), server});
    EXPECT_EQ(again.exitCode, 2);
    EXPECT_TRUE(again.err.contains(QStringLiteral("is not empty: tb_peserta holds rows"))) << again.err.toStdString();
    EXPECT_FALSE(again.err.contains(secret));
}

// Started on a terminal without a display: what cannot be done is said, with the status of a refused command line,
// rather than Qt's abort.
struct Terminal {
    const char* name;
    QStringList arguments;
    QString error; // all of stderr
};

std::ostream& operator<<(std::ostream& out, const Terminal& t) {
    return out << t.name;
}

class WithoutADisplay : public ::testing::TestWithParam<Terminal> {};

TEST_P(WithoutADisplay, SaysWhyAndExits2) {
    const Outcome run = program(GetParam().arguments);
    EXPECT_EQ(run.exitCode, 2) << run.err.toStdString();
    EXPECT_EQ(run.err, GetParam().error);
    EXPECT_EQ(run.out, QString());
}

INSTANTIATE_TEST_SUITE_P(
    Terminal, WithoutADisplay,
    ::testing::Values(
        Terminal{"start",
                 {},
                 QStringLiteral("tombolika: cannot open a window: no display is set (DISPLAY is empty).\n"
                                "--verify and --minutes work without a display.\n")},
        Terminal{"unknown_option", {QStringLiteral("--bogus")}, QStringLiteral("tombolika: Unknown option 'bogus'.\n")},
        Terminal{"folder_not_there",
                 {QStringLiteral("--folder"), QStringLiteral("/nonexistent/folder")},
                 QStringLiteral("tombolika: The folder \"/nonexistent/folder\" does not exist.\n")}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
