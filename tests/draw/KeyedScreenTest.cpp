#include "core/Session.h"
#include "core/record/Events.h"
#include "core/verifiable/DrawKey.h"
#include "data/uData.h"
#include "draw/uPenonton.h"
#include "plan/uHadiah.h"
#include "platform/ui/ChoiceDialog.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/Timer.h"
#include "tests/draw/DrawFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>

using Kind = ui::MessageBox::Kind;
using Stage = TfPenonton::Stage;

namespace {

const char kPlan[] = "Hadiah,Jumlah,Per putaran\nMotor,1,1\nTelevisi,4,2\n";

void usePlan(const QTemporaryDir& dir) {
    const QString path = dir.filePath(QStringLiteral("hadiah.csv"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) qFatal("cannot write %s", qPrintable(path));
    file.write(kPlan);
    file.close();
    const auto imported = DTModule->session.plan().importFrom(path.toStdString());
    if (!imported.refusal.isEmpty()) qFatal("plan refused: %s", qPrintable(imported.refusal));
    fAcak->FormActivate(fAcak);
}

// The next modal dialog, once it shows: `fill` types into it, then its OK is pressed.
void answerDialog(const char* name, const std::function<void(QDialog&)>& fill) {
    QTimer::singleShot(0, [name, fill] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || dialog->objectName() != QLatin1String(name)) {
            qWarning("no %s open", name);
            if (dialog) dialog->reject();
            return;
        }
        fill(*dialog);
        QPushButton* ok = dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
        if (!ok->isEnabled()) qWarning("%s: OK is not enabled", name);
        ok->click();
    });
}

template <typename Widget> Widget* child(QDialog& dialog, const char* name) {
    Widget* widget = dialog.findChild<Widget*>(QLatin1String(name));
    if (!widget) qFatal("%s has no %s", qPrintable(dialog.objectName()), name);
    return widget;
}

// "Segel Undian" on the plan's screen, with these sources and witnesses, its letter written to `letter`.
void seal(const QStringList& sources, int witnesses, const QString& letter) {
    ui::FileDialog::setNextFileName(letter);
    answerDialog("SealDialog", [&](QDialog& dialog) {
        QVERIFY(child<QCheckBox>(dialog, "chk_terverifikasi")->isChecked());
        child<QSpinBox>(dialog, "se_sumber")->setValue(static_cast<int>(sources.size()));
        for (qsizetype at = 0; at < sources.size(); ++at)
            child<QLineEdit>(dialog, qPrintable(QStringLiteral("ed_sumber%1").arg(at + 1)))->setText(sources[at]);
        child<QSpinBox>(dialog, "se_saksi")->setValue(witnesses);
    });
    QTest::mouseClick(fHadiah->btn_segel, Qt::LeftButton);
}

// "Acak" before the first round: the key dialog takes these values; what it shows as used is kept.
QString fixKey(const QStringList& values, const QStringList& witnesses) {
    QString used;
    answerDialog("KeyDialog", [&](QDialog& dialog) {
        for (qsizetype at = 0; at < values.size(); ++at)
            child<QLineEdit>(dialog, qPrintable(QStringLiteral("ed_nilai%1").arg(at + 1)))->setText(values[at]);
        for (qsizetype at = 0; at < witnesses.size(); ++at)
            child<QLineEdit>(dialog, qPrintable(QStringLiteral("ed_saksi%1").arg(at + 1)))->setText(witnesses[at]);
        used = child<QLabel>(dialog, "lbl_dipakai")->text();
    });
    DrawFixture::click("btn_acak");
    return used;
}

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// The keyed draw on the screens: sealed on the plan's screen with its letter and public list, keyed from the draw
// screen before its first round, shown to the hall, and drawn without a cancel once stopped.
class KeyedScreenTest : public QObject {
    Q_OBJECT

private slots:
    void init() { ui::ChoiceDialog::setNextAnswer(QStringLiteral("tidak hadir")); }

    // "Segel Undian" writes the letter with its seal; "Export Daftar Publik" the list with Lp on its first line.
    void sealAndPublish() {
        DrawFixture f([](TestDatabase& db) { db.addParticipants(20); });
        QTemporaryDir dir;
        usePlan(dir);
        DrawFixture::click("btn_daftarHadiah");
        QCOMPARE(fHadiah->lbl_segel->text(), QStringLiteral("Undian Terverifikasi: tidak aktif."));
        const QString letter = dir.filePath(QStringLiteral("surat segel.pdf"));
        TestApplication::clear();
        seal({QStringLiteral("drand quicknet, ronde 12345678"), QStringLiteral("IHSG 2 Mei 2025")}, 1, letter);
        QCOMPARE(TestApplication::texts(Kind::Error), QStringList());
        QVERIFY(contents(letter).startsWith("%PDF"));
        const auto seals = f.db().journal();
        QCOMPARE(std::count_if(seals.begin(), seals.end(),
                               [](const auto& entry) { return entry.first == record::event::kEventSealed; }),
                 1);
        QVERIFY2(fHadiah->lbl_segel->text().contains(QStringLiteral("kunci undian belum ditetapkan")),
                 qPrintable(fHadiah->lbl_segel->text()));
        QCOMPARE(TestApplication::texts(Kind::Information).size(), 1);
        QVERIFY(TestApplication::texts(Kind::Information)[0].startsWith(QStringLiteral("Undian telah disegel.")));

        const QString list = dir.filePath(QStringLiteral("daftar.csv"));
        ui::FileDialog::setNextFileName(list);
        QTest::mouseClick(fHadiah->btn_daftarPublik, Qt::LeftButton);
        const std::string lp = DTModule->session.draw().keyed().seal()->publicList;
        QVERIFY(contents(list).startsWith(QByteArray("Lp,") + QByteArray::fromStdString(lp) +
                                          "\nID,no_undian\n1,\"D1\"\n"));
        QVERIFY(ui::FileDialog::offered().name.startsWith(QStringLiteral("daftar-publik-")));
        QCOMPARE(TestApplication::texts(Kind::Error), QStringList());

        // A letter that cannot be written leaves no seal.
        TestApplication::clear();
        seal({QStringLiteral("drand")}, 0, dir.filePath(QStringLiteral("tidak ada/surat.pdf")));
        QCOMPARE(TestApplication::texts(Kind::Error).size(), 1);
        const auto after = f.db().journal();
        QCOMPARE(std::count_if(after.begin(), after.end(),
                               [](const auto& entry) { return entry.first == record::event::kEventSealed; }),
                 1);
        fHadiah->close();
    }

    // "Acak" asks for the key first: the values shown back as used, the key fixed, and the hall shown the values and
    // the key; then the rounds go, prizes in order, with no cancel once stopped.
    void keyThenRounds() {
        DrawFixture f([](TestDatabase& db) { db.addParticipants(20); });
        QTemporaryDir dir;
        usePlan(dir);
        DrawFixture::click("btn_daftarHadiah");
        seal({QStringLiteral("drand quicknet, ronde 12345678")}, 1, dir.filePath(QStringLiteral("surat.pdf")));
        fHadiah->close();
        fAcak->toggleAudience();
        QVERIFY2(!fAcak->cb_hadiah->isEnabled(), "the prizes go in urut order");

        TestApplication::clear();
        const QString used = fixKey({QStringLiteral("  8f3a\t21b0 ")}, {QStringLiteral("Budi   17")});
        QCOMPARE(used, QStringLiteral("Nilai yang dipakai:\ndrand quicknet, ronde 12345678: \"8f3a 21b0\"\nSaksi 1: "
                                      "\"Budi 17\""));
        QVERIFY2(!fAcak->Timer2->enabled(), "the hall sees the key before the first round");
        const auto& key = DTModule->session.draw().keyed().key();
        QVERIFY(key);
        QCOMPARE(TestApplication::shown().size(), 2);
        QCOMPARE(TestApplication::shown()[0].kind, Kind::Question);
        QVERIFY(TestApplication::shown()[0].text.contains(QStringLiteral("Saksi 1: \"Budi 17\"")));
        QCOMPARE(TestApplication::shown()[1].text,
                 QStringLiteral("Kunci undian telah ditetapkan: %1. Layar penonton menampilkan nilai-nilai dan "
                                "kuncinya. Tekan Acak untuk memulai putaran pertama.")
                     .arg(key->shortKey()));
        QCOMPARE(fPenonton->stage(), Stage::Key);
        const QStringList shown = fPenonton->shownTexts();
        for (const QString& text :
             {QStringLiteral("KUNCI UNDIAN"), QStringLiteral("drand quicknet, ronde 12345678: 8f3a 21b0"),
              QStringLiteral("Saksi 1: Budi 17"), QStringLiteral("Kunci undian %1").arg(key->shortKey()),
              TfPenonton::KeyedNote})
            QVERIFY2(shown.contains(text), qPrintable(text + QStringLiteral(" not in ") + shown.join(" | ")));

        // The first round: shuffled as always, stopped on the key's pick, with no "&Batal" after.
        DrawFixture::click("btn_acak");
        QCOMPARE(fPenonton->stage(), Stage::Shuffle);
        emit fAcak->Timer2->timeout();
        DrawFixture::click("btn_stop");
        QVERIFY(fAcak->BitBtn2->isEnabled());
        QVERIFY(!fAcak->BitBtn3->isEnabled());
        QTest::keyClick(fPenonton, Qt::Key_Escape); // "&Batal" from the hall's keyboard: nothing
        QVERIFY(DTModule->session.draw().roundUnsaved());
        const auto stops = f.db().rows("SELECT rincian FROM tb_jurnal WHERE jenis='round_stopped'");
        QCOMPARE(stops.size(), std::size_t(1));
        QVERIFY(QString::fromStdString(stops[0][0]).contains(QStringLiteral("\"i\":1")));
        DrawFixture::click("BitBtn2");
        QCOMPARE(fAcak->lbl_putaran->text(), QStringLiteral("Televisi: 0 dari 4 pemenang, putaran 2 pemenang"));
        QVERIFY(!fAcak->cb_hadiah->isEnabled());
        QTest::keyClick(fAcak, Qt::Key_PageDown); // nothing to turn to
        QCOMPARE(fAcak->lbl_putaran->text(), QStringLiteral("Televisi: 0 dari 4 pemenang, putaran 2 pemenang"));
        fAcak->toggleAudience();
        QCOMPARE(TestApplication::texts(Kind::Error), QStringList());
    }

    // Switched off on the plan's screen, after asking: the draw is random again and the prizes turn.
    void switchedOff() {
        DrawFixture f([](TestDatabase& db) { db.addParticipants(20); });
        QTemporaryDir dir;
        usePlan(dir);
        DrawFixture::click("btn_daftarHadiah");
        seal({QStringLiteral("drand")}, 0, dir.filePath(QStringLiteral("surat.pdf")));
        fHadiah->close();
        fixKey({QStringLiteral("8f3a")}, {});
        DrawFixture::click("btn_daftarHadiah");
        TestApplication::clear();
        answerDialog("SealDialog",
                     [](QDialog& dialog) { child<QCheckBox>(dialog, "chk_terverifikasi")->setChecked(false); });
        QTest::mouseClick(fHadiah->btn_segel, Qt::LeftButton);
        QCOMPARE(TestApplication::shown().size(), 2);
        QCOMPARE(TestApplication::shown()[0].kind, Kind::Question);
        QCOMPARE(TestApplication::shown()[1].text,
                 QStringLiteral("Undian Terverifikasi dimatikan: putaran berikutnya diundi acak."));
        QCOMPARE(fHadiah->lbl_segel->text(), QStringLiteral("Undian Terverifikasi: tidak aktif."));
        fHadiah->close();
        fAcak->FormActivate(fAcak);
        QVERIFY(fAcak->cb_hadiah->isEnabled());
        QVERIFY(!fPenonton->shownTexts().contains(TfPenonton::KeyedNote));
    }
};

QTEST_MAIN(KeyedScreenTest)
#include "KeyedScreenTest.moc"
