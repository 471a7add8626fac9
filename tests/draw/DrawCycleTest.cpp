#include "draw/uAcak.h"
#include "platform/chance/TickRandom.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Timer.h"
#include "tests/draw/DrawFixture.h"
#include "tests/support/ClickScript.h"

#include <QApplication>
#include <QMap>
#include <QSet>
#include <QTest>
#include <cmath>
#include <memory>

using Kind = ui::MessageBox::Kind;

namespace {

const QString kTenEmptyLines = QString(9, QLatin1Char('\n'));
const QString kNobodyToDraw = QStringLiteral(
    "Tidak ada peserta yang dapat diundi. Isi daftar peserta lewat Lihat Peserta, lalu tekan Muat Ulang Daftar.");

// A pinned clock (a counter of nanoseconds) and pinned entropy (a fixed sequence): every run draws the same.
chance::TickRandom pinnedRandom(std::uint64_t seed = 1) {
    auto clock = std::make_shared<std::uint64_t>(1'000'000'007ull * seed);
    auto entropy = std::make_shared<std::uint64_t>(seed);
    return chance::TickRandom([clock] { return *clock += 48'611; },
                              [entropy] {
                                  std::uint64_t z = (*entropy += 0x9E3779B97F4A7C15ull);
                                  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
                                  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
                                  return z ^ (z >> 31);
                              });
}

// One tick of the shuffle timer, delivered as the timer delivers it: through the handler's error guard.
void tick() {
    emit fAcak->Timer2->timeout();
}

// One draw as the operator runs it: "Acak", a tick, "Stop", "Tampilkan", "&Simpan".
void drawAndSave() {
    DrawFixture::click("btn_acak");
    tick();
    DrawFixture::click("btn_stop");
    DrawFixture::click("BitBtn4");
    DrawFixture::click("BitBtn2");
}

// The participant whose draw number the display shows, as TestDatabase names them ("D<ID>").
QString idOnDisplay() {
    return fAcak->Edit1->text().mid(1);
}

} // namespace

class DrawCycleTest : public QObject {
    Q_OBJECT

private slots:
    // The shuffle and detail states after a sequence of presses from start-up.
    void states_data() {
        QTest::addColumn<QString>("presses");
        QTest::addColumn<bool>("acakShown");
        QTest::addColumn<bool>("shuffling");
        QTest::addColumn<bool>("detailsEnabled");
        QTest::addColumn<QString>("msisdn"); // "<display>": the participant on the display
        QTest::addColumn<QString>("memo");
        QTest::addColumn<QString>("phone");
        QTest::addColumn<QString>("prize");
        QTest::addColumn<int>("winners");

        const QString shown = QStringLiteral("<display>");
        QTest::newRow("start-up") << "" << true << false << false << "" << kTenEmptyLines << ""
                                  << "" << 0;
        QTest::newRow("acak") << "acak" << false << true << false << ""
                              << ""
                              << ""
                              << "" << 0;
        QTest::newRow("ticks") << "acak; tick; tick" << false << true << false << ""
                               << ""
                               << ""
                               << "" << 0;
        QTest::newRow("stopped") << "acak; tick; stop" << true << false << false << ""
                                 << ""
                                 << ""
                                 << "" << 0;
        QTest::newRow("stop before the first tick") << "acak; stop" << true << false << false << ""
                                                    << ""
                                                    << ""
                                                    << "" << 0;
        QTest::newRow("details shown") << "acak; tick; tick; stop; tampilkan" << true << false << true << shown << shown
                                       << shown << "" << 0;
        QTest::newRow("tampilkan at start shows the first row") << "tampilkan" << true << false << true << "D1"
                                                                << "Nama 1"
                                                                << "081"
                                                                << "" << 0;
        QTest::newRow("tampilkan while shuffling")
            << "acak; tick; tampilkan" << false << true << true << shown << shown << shown << "" << 0;
        QTest::newRow("saved") << "acak; tick; stop; tampilkan; prize; simpan" << true << false << false << shown
                               << shown << shown << "Kulkas" << 1;
        QTest::newRow("saved twice") << "acak; tick; stop; tampilkan; prize; simpan; tampilkan; simpan" << true << false
                                     << false << shown << shown << shown << "Kulkas" << 2;
        QTest::newRow("simpan while disabled does nothing")
            << "prize; simpan" << true << false << false << "" << kTenEmptyLines << ""
            << "Kulkas" << 0;
        QTest::newRow("cleared") << "acak; tick; stop; tampilkan; prize; batal" << true << false << false << ""
                                 << ""
                                 << ""
                                 << "" << 0;
        QTest::newRow("prize stays for the next draw")
            << "acak; tick; stop; tampilkan; prize; simpan; acak; tick; stop; tampilkan" << true << false << true
            << shown << shown << shown << "Kulkas" << 1;
        QTest::newRow("acak keeps details enabled") << "tampilkan; prize; acak" << false << true << true << ""
                                                    << ""
                                                    << "081"
                                                    << "Kulkas" << 0;
        QTest::newRow("acak then save writes empty texts")
            << "tampilkan; prize; acak; simpan" << false << true << false << ""
            << ""
            << "081"
            << "Kulkas" << 1;
        QTest::newRow("halted") << "acak; tick; ok" << false << false << false << ""
                                << ""
                                << ""
                                << "" << 0;
        QTest::newRow("halted then stop") << "acak; tick; ok; stop" << true << false << false << ""
                                          << ""
                                          << ""
                                          << "" << 0;
        QTest::newRow("halted then acak is hidden, stop again")
            << "acak; ok; stop; acak" << false << true << false << ""
            << ""
            << ""
            << "" << 0;
    }

    void states() {
        QFETCH(QString, presses);
        QFETCH(bool, acakShown);
        QFETCH(bool, shuffling);
        QFETCH(bool, detailsEnabled);
        QFETCH(QString, msisdn);
        QFETCH(QString, memo);
        QFETCH(QString, phone);
        QFETCH(QString, prize);
        QFETCH(int, winners);

        DrawFixture f([](TestDatabase& db) { db.addParticipants(25); });
        fAcak->setRandom(pinnedRandom());
        QString lastDisplay;
        ClickScript script;
        const std::pair<const char*, const char*> buttons[] = {
            {"acak", "btn_acak"},  {"stop", "btn_stop"}, {"tampilkan", "BitBtn4"},
            {"simpan", "BitBtn2"}, {"batal", "BitBtn3"}, {"ok", "BitBtn5"},
        };
        for (const auto& [verb, button] : buttons)
            script.on(QString::fromLatin1(verb), [button] { DrawFixture::click(button); });
        script.on(QStringLiteral("tick"), [&] {
            tick();
            QVERIFY(!fAcak->Edit1->text().isEmpty());
            lastDisplay = fAcak->Edit1->text();
        });
        script.on(QStringLiteral("prize"), [] { QTest::keyClicks(fAcak->ed_hadiah, QStringLiteral("Kulkas")); });
        // Only a tick changes the display.
        script.afterEach([&](const QString&) { QCOMPARE(fAcak->Edit1->text(), lastDisplay); });
        script.run(presses);
        if (QTest::currentTestFailed()) return;

        QCOMPARE(!fAcak->btn_acak->isHidden(), acakShown);
        QVERIFY(!fAcak->btn_stop->isHidden());
        // "Acak" lies above "Stop": a click on the spot reaches whichever is uncovered.
        QCOMPARE(fAcak->childAt(fAcak->btn_acak->geometry().center()),
                 acakShown ? static_cast<QWidget*>(fAcak->btn_acak) : fAcak->btn_stop);
        QCOMPARE(fAcak->Timer2->enabled(), shuffling);
        QCOMPARE(fAcak->BitBtn2->isEnabled(), detailsEnabled);
        QCOMPARE(fAcak->BitBtn3->isEnabled(), detailsEnabled);
        QVERIFY(fAcak->BitBtn4->isEnabled());

        const QString id = idOnDisplay();
        auto expected = [&](const QString& value, const QString& field) {
            return value == QLatin1String("<display>") ? field.arg(id) : value;
        };
        QCOMPARE(fAcak->ed_msisdn->text(), expected(msisdn, QStringLiteral("D%1")));
        QCOMPARE(fAcak->Memo1->toPlainText(), expected(memo, QStringLiteral("Nama %1")));
        QCOMPARE(fAcak->Edit2->text(), expected(phone, QStringLiteral("08%1")));
        QCOMPARE(fAcak->ed_hadiah->text(), prize);

        QCOMPARE(f.db().count("tb_pemenang"), winners);
        const auto rows = f.db().rows("SELECT * FROM tb_pemenang");
        for (const auto& row : rows) {
            QCOMPARE(QString::fromStdString(row.at(2)), QStringLiteral("Kulkas"));
        }
        QCOMPARE(TestApplication::texts(Kind::Information).count(QStringLiteral("Data Sudah Disimpan")), winners);
        QCOMPARE(TestApplication::texts(Kind::Error), QStringList());
    }

    // A whole draw by keyboard, from "Keluar" at start-up: each key does what a click on the button showing would.
    // Space on the place of "Acak" and "Stop" presses the one showing, never the "Stop" hidden beneath "Acak";
    // "Tampilkan" leaves the keyboard in the prize, Enter saves, and the keyboard goes back to "Acak" after a save
    // and after "&Batal" (an absent winner drawn again).
    void wholeDrawByKeyboard() {
        DrawFixture f([](TestDatabase& db) { db.addParticipants(25); });
        fAcak->setRandom(pinnedRandom());
        struct Step {
            const char* action; // a key, "tick", or text typed
            const char* focus;  // the focused control after it
            bool shuffling;
        };
        const Step steps[] = {
            {"Tab", "ed_hadiah", false},  {"Tab", "ed_msisdn", false},   {"Tab", "btn_acak", false},
            {"Space", "btn_stop", true},  {"tick", "btn_stop", true},    {"Space", "btn_acak", false}, // stop 1
            {"Space", "btn_stop", true},  {"tick", "btn_stop", true},    {"Enter", "btn_acak", false}, // stop 2
            {"Tab", "BitBtn4", false},    {"Space", "ed_hadiah", false}, {"Kulkas", "ed_hadiah", false},
            {"Enter", "btn_acak", false},                                                               // saved
            {"Enter", "btn_stop", true},  {"tick", "btn_stop", true},    {"Space", "btn_acak", false},  // stop 3
            {"Tab", "BitBtn4", false},    {"Enter", "ed_hadiah", false}, {"Escape", "btn_acak", false}, // absent
            {"Space", "btn_stop", true},  {"tick", "btn_stop", true},    {"Space", "btn_acak", false},  // stop 4
        };
        const QMap<QString, Qt::Key> keys{{QStringLiteral("Tab"), Qt::Key_Tab},
                                          {QStringLiteral("Space"), Qt::Key_Space},
                                          {QStringLiteral("Enter"), Qt::Key_Return},
                                          {QStringLiteral("Escape"), Qt::Key_Escape}};
        QCOMPARE(QApplication::focusWidget(), fAcak->BitBtn1);
        QStringList stopped; // the draw number on the display at each "Stop"
        bool shuffling = false;
        for (const Step& step : steps) {
            const QString action = QString::fromLatin1(step.action);
            if (action == QLatin1String("tick")) {
                tick();
            } else if (keys.contains(action)) {
                QTest::keyClick(QApplication::focusWidget(), keys.value(action));
                if (shuffling && !step.shuffling) stopped << fAcak->Edit1->text();
            } else {
                QTest::keyClicks(QApplication::focusWidget(), action);
            }
            const QString where = QStringLiteral("after %1").arg(action);
            QVERIFY2(QApplication::focusWidget(), qPrintable(where));
            QCOMPARE(QApplication::focusWidget()->objectName(), QString::fromLatin1(step.focus));
            QVERIFY2(QApplication::focusWidget()->isVisible(), qPrintable(where));
            QCOMPARE(fAcak->Timer2->enabled(), step.shuffling);
            shuffling = step.shuffling;
        }

        QStringList kinds;
        QStringList stops;
        for (const auto& [kind, details] : f.db().journal()) {
            if (kind == QLatin1String("journal_begun") || kind == QLatin1String("program_started")) continue;
            kinds << kind;
            if (kind == QLatin1String("stop")) stops << details.value(QStringLiteral("no_undian")).toString();
        }
        QCOMPARE(kinds, (QStringList{"stop", "stop", "show", "winner_saved", "stop", "show", "cancel", "stop"}));
        QCOMPARE(stops, stopped);
        const auto winners = f.db().rows("SELECT * FROM tb_pemenang");
        QCOMPARE(winners.size(), std::size_t(1));
        QCOMPARE(QString::fromStdString(winners[0][0]), stops.at(1));
        QCOMPARE(QString::fromStdString(winners[0][2]), QStringLiteral("Kulkas"));
        QCOMPARE(TestApplication::texts(Kind::Error), QStringList());
    }

    // However "Tampilkan" is pressed, the keyboard is then in the prize with the last prize selected: typing
    // replaces it and Enter saves.
    void tampilkanLeavesTheKeyboardInThePrize_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("click") << "click";
        QTest::newRow("Space") << "Space";
        QTest::newRow("Enter") << "Enter";
    }

    void tampilkanLeavesTheKeyboardInThePrize() {
        QFETCH(QString, how);
        DrawFixture f([](TestDatabase& db) { db.addParticipants(5); });
        fAcak->ed_hadiah->setText(QStringLiteral("Kulkas 2 pintu")); // the last winner's prize
        if (how == QLatin1String("click")) {
            DrawFixture::click("BitBtn4");
        } else {
            fAcak->BitBtn4->setFocus();
            QTest::keyClick(fAcak->BitBtn4, how == QLatin1String("Space") ? Qt::Key_Space : Qt::Key_Return);
        }
        QCOMPARE(QApplication::focusWidget(), fAcak->ed_hadiah);
        QCOMPARE(fAcak->ed_hadiah->selectedText(), QStringLiteral("Kulkas 2 pintu"));
        QTest::keyClicks(fAcak->ed_hadiah, QStringLiteral("Sepeda"));
        QTest::keyClick(fAcak->ed_hadiah, Qt::Key_Return);
        QCOMPARE(f.db().rows("SELECT hadiah FROM tb_pemenang"), (std::vector<std::vector<std::string>>{{"Sepeda"}}));
    }

    // "Keluar" and closing the window ask first while a round is drawn or shown and not yet saved: from "Stop" or
    // "Tampilkan" until the next "Acak", a save that went through, or "&Batal". No keeps the program running and
    // records nothing; without such a round the program ends at once, as ever.
    void leavingAsksWhileARoundIsUnsaved_data() {
        QTest::addColumn<QString>("presses");
        QTest::addColumn<bool>("asks");
        QTest::newRow("start-up") << "" << false;
        QTest::newRow("shuffling") << "acak; tick" << false;
        QTest::newRow("stopped") << "acak; tick; stop" << true;
        QTest::newRow("details shown") << "acak; tick; stop; tampilkan" << true;
        QTest::newRow("tampilkan without a draw") << "tampilkan" << true;
        QTest::newRow("saved") << "acak; tick; stop; tampilkan; simpan" << false;
        QTest::newRow("cleared") << "acak; tick; stop; tampilkan; batal" << false;
        QTest::newRow("drawn again") << "acak; tick; stop; acak; tick" << false;
        QTest::newRow("stopped after a save") << "acak; tick; stop; tampilkan; simpan; acak; tick; stop" << true;
        QTest::newRow("save failed") << "acak; tick; stop; tampilkan; break; simpan" << true;
    }

    void leavingAsksWhileARoundIsUnsaved() {
        QFETCH(QString, presses);
        QFETCH(bool, asks);
        DrawFixture f([](TestDatabase& db) { db.addParticipants(25); });
        fAcak->setRandom(pinnedRandom());
        ClickScript script;
        const std::pair<const char*, const char*> buttons[] = {{"acak", "btn_acak"},
                                                               {"stop", "btn_stop"},
                                                               {"tampilkan", "BitBtn4"},
                                                               {"simpan", "BitBtn2"},
                                                               {"batal", "BitBtn3"}};
        for (const auto& [verb, button] : buttons)
            script.on(QString::fromLatin1(verb), [button] { DrawFixture::click(button); });
        script.on(QStringLiteral("tick"), [] { tick(); });
        script.on(QStringLiteral("break"), [&] { f.db().exec("DROP TABLE tb_pemenang"); });
        script.run(presses);
        if (QTest::currentTestFailed()) return;
        const QString question = QStringLiteral("Pemenang belum disimpan. Keluar?");
        auto ended = [&] { return f.db().journal().last().first == QLatin1String("program_ended"); };

        if (asks) {
            for (const char* how : {"Keluar", "window"}) {
                TestApplication::clear();
                ui::MessageBox::setNextAnswer(QMessageBox::No);
                if (QByteArray(how) == "Keluar")
                    DrawFixture::click("BitBtn1");
                else
                    fAcak->close();
                QCOMPARE(TestApplication::texts(Kind::Question), QStringList{question});
                QVERIFY2(fAcak->isVisible(), how);
                QVERIFY(!ended());
            }
        }
        TestApplication::clear();
        DrawFixture::click("BitBtn1"); // answered Yes
        QCOMPARE(TestApplication::texts(Kind::Question), asks ? QStringList{question} : QStringList());
        QVERIFY(!fAcak->isVisible());
        QVERIFY(ended());
    }

    void saveStoresTheTextsExactly_data() {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("prize");
        QTest::newRow("double quotes") << "\"A1\""
                                       << "Ani \"si Cantik\""
                                       << "TV 21\"";
        QTest::newRow("breaks out of a quoted statement") << "x\",\"y\",\"z\"); delete from tb_pemenang; --"
                                                          << "\"),(\""
                                                          << "\")";
        QTest::newRow("apostrophes and commas") << "A'1"
                                                << "Jum'at, O'Neil"
                                                << "Kulkas, 2 pintu";
        QTest::newRow("line breaks in the name") << "A1"
                                                 << "Baris satu\nBaris dua\n"
                                                 << "Motor";
        QTest::newRow("empty") << ""
                               << ""
                               << "";
        QTest::newRow("blanks kept") << "  A1 "
                                     << " Ani  "
                                     << " TV ";
        QTest::newRow("emoji and right-to-left")
            << QString::fromUtf8("\xF0\x9F\x8E\x9F A1")
            << QString::fromUtf8("\xD8\xB9\xD9\x84\xD9\x8A \xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D")
            << QString::fromUtf8("Hadiah \xF0\x9F\x8E\x81");
        QTest::newRow("percent and question marks") << "?1 %s"
                                                    << "%d ? :a"
                                                    << "100%";
        QTest::newRow("backslashes") << "C:\\A1"
                                     << "\\n\\t"
                                     << "\\";
    }

    void saveStoresTheTextsExactly() {
        QFETCH(QString, number);
        QFETCH(QString, name);
        QFETCH(QString, prize);
        DrawFixture f([](TestDatabase& db) { db.addParticipants(3); });
        DrawFixture::click("BitBtn4");
        fAcak->ed_msisdn->setText(number);
        fAcak->Memo1->setPlainText(name);
        fAcak->ed_hadiah->setText(prize);
        DrawFixture::click("BitBtn2");
        QCOMPARE(TestApplication::texts(Kind::Error), QStringList());
        QCOMPARE(TestApplication::texts(Kind::Information), QStringList{QStringLiteral("Data Sudah Disimpan")});
        const auto rows = f.db().rows("SELECT * FROM tb_pemenang");
        QCOMPARE(rows.size(), std::size_t(1));
        QCOMPARE(QString::fromStdString(rows[0][0]), number);
        QCOMPARE(QString::fromStdString(rows[0][1]), name);
        QCOMPARE(QString::fromStdString(rows[0][2]), prize);
        QCOMPARE(f.db().count("tb_peserta"), 3); // nothing else was touched
    }

    void failedSaveKeepsTheFields() {
        DrawFixture f([](TestDatabase& db) { db.addParticipants(3); });
        DrawFixture::click("BitBtn4");
        QTest::keyClicks(fAcak->ed_hadiah, QStringLiteral("Sepeda"));
        f.db().exec("DROP TABLE tb_pemenang");
        DrawFixture::click("BitBtn2");
        QCOMPARE(TestApplication::texts(Kind::Error), QStringList{QStringLiteral("no such table: tb_pemenang.")});
        QCOMPARE(TestApplication::texts(Kind::Information), QStringList());
        QVERIFY(!fAcak->BitBtn2->isEnabled());
        QVERIFY(!fAcak->BitBtn3->isEnabled());
        QCOMPARE(fAcak->ed_msisdn->text(), QStringLiteral("D1"));
        QCOMPARE(fAcak->Memo1->toPlainText(), QStringLiteral("Nama 1"));
        QCOMPARE(fAcak->ed_hadiah->text(), QStringLiteral("Sepeda"));
        DrawFixture::click("BitBtn4"); // enables the save again
        QVERIFY(fAcak->BitBtn2->isEnabled());
    }

    void participantsAreThoseOfStartUp() {
        DrawFixture f([](TestDatabase& db) { db.addParticipants(1); });
        f.db().exec("DELETE FROM tb_peserta; INSERT INTO tb_peserta VALUES(2,'X2','Baru','082')");
        fAcak->setRandom(pinnedRandom());
        DrawFixture::click("btn_acak");
        for (int i = 0; i < 20; ++i)
            tick();
        QCOMPARE(fAcak->Edit1->text(), QStringLiteral("D1")); // the deleted one is drawn, the new one never
        DrawFixture::click("btn_stop");
        DrawFixture::click("BitBtn4");
        DrawFixture::click("BitBtn2");
        QCOMPARE(f.db().rows("SELECT * FROM tb_pemenang"),
                 (std::vector<std::vector<std::string>>{{"D1", "Nama 1", ""}}));
    }

    // With nobody in the list, "Acak" says there is no one to draw and does not shuffle.
    void emptyParticipantsTable() {
        DrawFixture f;
        DrawFixture::click("btn_acak");
        QCOMPARE(TestApplication::texts(Kind::Information), QStringList{kNobodyToDraw});
        QVERIFY(!fAcak->Timer2->enabled());
        QVERIFY(!fAcak->btn_acak->isHidden());
        for (int i = 0; i < 5; ++i)
            tick();
        QCOMPARE(fAcak->Edit1->text(), QString());
        DrawFixture::click("btn_stop");
        DrawFixture::click("BitBtn4");
        QCOMPARE(fAcak->ed_msisdn->text(), QString());
        QCOMPARE(fAcak->Memo1->toPlainText(), QString());
        QVERIFY(fAcak->BitBtn2->isEnabled());
        QCOMPARE(TestApplication::shown().size(), 1);
    }

    // Where the participants could not be opened at start-up, each press reports the closed cursor once and the
    // shuffle never runs, so no tick can flood the screen.
    void closedParticipantsCursor() {
        DrawFixture f([](TestDatabase& db) { db.exec("DROP TABLE tb_peserta"); });
        QCOMPARE(TestApplication::texts(Kind::Error), QStringList{QStringLiteral("no such table: tb_peserta.")});
        QCOMPARE(fAcak->Timer2->interval(), 50); // setup was not read after the failing step
        TestApplication::clear();
        const QString closed = QStringLiteral("ADOTable1: Cannot perform this operation on a closed dataset.");

        DrawFixture::click("btn_acak");
        QCOMPARE(TestApplication::texts(Kind::Error), QStringList{closed});
        QVERIFY(!fAcak->btn_acak->isHidden());
        QVERIFY(!fAcak->Timer2->enabled());
        DrawFixture::click("btn_acak");
        QCOMPARE(TestApplication::texts(Kind::Error), (QStringList{closed, closed}));

        TestApplication::clear();
        for (int i = 0; i < 10; ++i)
            tick();
        QVERIFY(TestApplication::texts(Kind::Error).size() <= 1);
        QVERIFY(!fAcak->Timer2->enabled());
        QCOMPARE(fAcak->Edit1->text(), QString());

        TestApplication::clear();
        DrawFixture::click("BitBtn4");
        QCOMPARE(TestApplication::texts(Kind::Error), QStringList{closed});
        QVERIFY(!fAcak->BitBtn2->isEnabled());
        // A real shuffle timer never starts: nothing arrives while the event loop runs.
        TestApplication::clear();
        QTest::qWait(200);
        QCOMPARE(TestApplication::shown().size(), 0);
    }

    // Every participant has the same chance, whatever the numbering of IDs.
    void fairness_data() {
        QTest::addColumn<QList<qlonglong>>("ids");
        QList<qlonglong> consecutive, gaps, from100, sparse;
        for (qlonglong i = 1; i <= 30; ++i)
            consecutive << i;
        for (qlonglong i = 1; i <= 40; ++i)
            if (i % 4 != 2) gaps << i; // 2, 6, 10, ... deleted
        for (qlonglong i = 100; i < 130; ++i)
            from100 << i;
        for (qlonglong i = 0; i < 30; ++i)
            sparse << (i * i * 7 + 3); // widening gaps
        QTest::newRow("1 to n") << consecutive;
        QTest::newRow("with gaps") << gaps;
        QTest::newRow("numbered from 100") << from100;
        QTest::newRow("sparse") << sparse;
    }

    void fairness() {
        QFETCH(QList<qlonglong>, ids);
        DrawFixture f([&](TestDatabase& db) { db.addParticipants(std::vector<long long>(ids.begin(), ids.end())); });
        fAcak->setRandom(pinnedRandom(7));
        DrawFixture::click("btn_acak");
        const int ticksPerParticipant = 300;
        const int ticks = ticksPerParticipant * static_cast<int>(ids.size());
        QMap<QString, int> counts;
        for (int i = 0; i < ticks; ++i) {
            tick();
            ++counts[fAcak->Edit1->text()];
        }
        DrawFixture::click("btn_stop");
        QCOMPARE(counts.size(), ids.size()); // every participant reachable, nothing else drawn
        double chiSquare = 0;
        for (qlonglong id : ids) {
            const int observed = counts.value(QStringLiteral("D%1").arg(id));
            QVERIFY2(observed > 0, qPrintable(QStringLiteral("ID %1 never drawn").arg(id)));
            chiSquare += std::pow(observed - ticksPerParticipant, 2) / ticksPerParticipant;
        }
        // Critical value of chi-square at p = 0.001 for 26 to 29 degrees of freedom is at most 58.3.
        QVERIFY2(chiSquare < 58.3, qPrintable(QStringLiteral("chi-square %1").arg(chiSquare)));
    }

    // Knowing the tick's time is not enough to foretell the pick: the operating system's entropy is mixed in.
    void sameClockDifferentPicks() {
        DrawFixture f([](TestDatabase& db) { db.addParticipants(1000); });
        fAcak->setRandom(chance::TickRandom([] { return std::uint64_t{123456789}; }, {}));
        DrawFixture::click("btn_acak");
        QSet<QString> seen;
        for (int i = 0; i < 200; ++i) {
            tick();
            seen.insert(fAcak->Edit1->text());
        }
        QVERIFY2(seen.size() > 150, qPrintable(QString::number(seen.size())));
    }

    // With winners not drawn again, every participant still in has the same chance: those who had won at start-up
    // and those saved since are never drawn, the others equally often, before and after winners leave mid-session.
    // A winner deleted after start-up stays out.
    void fairnessWithWinnersOut_data() {
        QTest::addColumn<QList<qlonglong>>("ids");
        QList<qlonglong> consecutive, gaps;
        for (qlonglong i = 1; i <= 30; ++i)
            consecutive << i;
        for (qlonglong i = 1; i <= 45; ++i)
            if (i % 3 != 2) gaps << i;
        QTest::newRow("1 to n") << consecutive;
        QTest::newRow("with gaps") << gaps;
    }

    void fairnessWithWinnersOut() {
        QFETCH(QList<qlonglong>, ids);
        DrawFixture f([&](TestDatabase& db) {
            db.addParticipants(std::vector<long long>(ids.begin(), ids.end()));
            db.exec("INSERT INTO tb_pemenang VALUES('D3','Nama 3','TV'),('D7','Nama 7','Radio'),('X1','Tamu','Kipas');"
                    "UPDATE setup SET pemenang_tidak_diundi_lagi=1");
        });
        QVERIFY(fAcak->winnersOnce());
        f.db().exec("DELETE FROM tb_pemenang WHERE no_undian='D7'"); // deleted after start-up: still out
        fAcak->setRandom(pinnedRandom(11));
        QSet<QString> out{QStringLiteral("D3"), QStringLiteral("D7")};
        const int ticksPerParticipant = 300;
        for (int round = 0; round < 2; ++round) {
            DrawFixture::click("btn_acak");
            const qsizetype left = ids.size() - out.size();
            QMap<QString, int> counts;
            for (int i = 0; i < ticksPerParticipant * left; ++i) {
                tick();
                ++counts[fAcak->Edit1->text()];
            }
            DrawFixture::click("btn_stop");
            double chiSquare = 0;
            for (qlonglong id : ids) {
                const QString number = QStringLiteral("D%1").arg(id);
                const int observed = counts.value(number);
                if (out.contains(number)) {
                    QVERIFY2(observed == 0, qPrintable(number + QStringLiteral(" has won and was drawn")));
                    continue;
                }
                chiSquare += std::pow(observed - ticksPerParticipant, 2) / ticksPerParticipant;
            }
            // Critical values of chi-square at p = 0.001 for 20 to 30 degrees of freedom.
            static const double critical[] = {45.315, 46.797, 48.268, 49.728, 51.179, 52.620,
                                              54.052, 55.476, 56.892, 58.301, 59.703};
            const qsizetype freedom = left - 1;
            QVERIFY(freedom >= 20 && freedom <= 30);
            QVERIFY2(chiSquare < critical[freedom - 20],
                     qPrintable(QStringLiteral("round %1: chi-square %2 with %3 degrees of freedom")
                                    .arg(round)
                                    .arg(chiSquare)
                                    .arg(freedom)));

            // Winners saved mid-session, each the participant the draw stopped on.
            for (int saved = 0; saved < 5; ++saved) {
                drawAndSave();
                QVERIFY(!out.contains(fAcak->ed_msisdn->text()));
                out.insert(fAcak->ed_msisdn->text());
            }
        }
        QCOMPARE(TestApplication::texts(Kind::Error), QStringList());
    }

    // When everyone has won, "Acak" says so and does not shuffle; switched off, everyone is drawn again.
    void everyoneHasWon() {
        DrawFixture f([](TestDatabase& db) {
            db.addParticipants(3);
            db.exec(
                "INSERT INTO tb_pemenang VALUES('D2','Nama 2','TV'); UPDATE setup SET pemenang_tidak_diundi_lagi=1");
        });
        fAcak->setRandom(pinnedRandom(3));
        for (int saved = 0; saved < 2; ++saved)
            drawAndSave();
        QCOMPARE(f.db().count("tb_pemenang"), 3);
        TestApplication::clear();
        DrawFixture::click("btn_acak");
        QCOMPARE(TestApplication::texts(Kind::Information),
                 QStringList{QStringLiteral("Semua peserta sudah menang: tidak ada lagi yang dapat diundi.")});
        QVERIFY(!fAcak->btn_acak->isHidden());
        QVERIFY(!fAcak->Timer2->enabled());

        fAcak->setWinnersOnce(false);
        TestApplication::clear();
        DrawFixture::click("btn_acak");
        QVERIFY(fAcak->Timer2->enabled());
        QSet<QString> seen;
        for (int i = 0; i < 60; ++i) {
            tick();
            seen.insert(fAcak->Edit1->text());
        }
        QCOMPARE(seen.size(), 3);
        QCOMPARE(TestApplication::shown().size(), 0);
    }

    // Switched on during a shuffle when everyone has won: the next tick stops the shuffle as "Acak" would have
    // refused it, rather than stay on someone who has won.
    void everyoneHasWonDuringTheShuffle() {
        DrawFixture f([](TestDatabase& db) {
            db.addParticipants(2);
            db.exec("INSERT INTO tb_pemenang VALUES('D1','Nama 1','TV'),('D2','Nama 2','Radio')");
        });
        fAcak->setRandom(pinnedRandom(3));
        DrawFixture::click("btn_acak");
        tick();
        fAcak->setWinnersOnce(true);
        TestApplication::clear();
        const QString shown = fAcak->Edit1->text();
        tick();
        QCOMPARE(TestApplication::texts(Kind::Information),
                 QStringList{QStringLiteral("Semua peserta sudah menang: tidak ada lagi yang dapat diundi.")});
        QVERIFY(!fAcak->Timer2->enabled());
        QVERIFY(!fAcak->btn_acak->isHidden());
        QCOMPARE(fAcak->Edit1->text(), shown);
    }

    // Switched on mid-session, those saved since start-up are out too; an empty list has nobody to draw, as
    // without the setting.
    void switchedOnMidSession() {
        {
            DrawFixture f([](TestDatabase& db) { db.addParticipants(2); });
            fAcak->setRandom(pinnedRandom(5));
            DrawFixture::click("BitBtn4"); // the first row, D1
            DrawFixture::click("BitBtn2");
            fAcak->setWinnersOnce(true);
            DrawFixture::click("btn_acak");
            for (int i = 0; i < 20; ++i) {
                tick();
                QCOMPARE(fAcak->Edit1->text(), QStringLiteral("D2"));
            }
        }
        DrawFixture empty;
        fAcak->setWinnersOnce(true);
        DrawFixture::click("btn_acak");
        tick();
        QCOMPARE(fAcak->Edit1->text(), QString());
        QCOMPARE(TestApplication::texts(Kind::Information), QStringList{kNobodyToDraw});
        QCOMPARE(TestApplication::shown().size(), 1);
    }

    void realTimerShuffles() {
        DrawFixture f([](TestDatabase& db) {
            db.addParticipants(50);
            db.exec("UPDATE setup SET speed=10");
        });
        QCOMPARE(fAcak->Timer2->interval(), 10);
        DrawFixture::click("btn_acak");
        QSet<QString> seen;
        QTRY_VERIFY_WITH_TIMEOUT((seen.insert(fAcak->Edit1->text()), seen.size() > 5), 5000);
        DrawFixture::click("btn_stop");
        const QString selected = fAcak->Edit1->text();
        QTest::qWait(60);
        QCOMPARE(fAcak->Edit1->text(), selected); // no tick after "Stop"
    }
};

QTEST_MAIN(DrawCycleTest)
#include "DrawCycleTest.moc"
