// Where a file dialog opens and what it proposes there, through the test hook and through the real dialog.
#include "platform/ui/FileDialog.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <memory>

using Offer = ui::FileDialog::Offer;

class FileDialogTest : public QObject {
    Q_OBJECT

    // The operator's home, with or without a documents folder.
    std::unique_ptr<QTemporaryDir> m_home;
    QTemporaryDir m_files;

    QString documents() const { return m_home->filePath(QStringLiteral("Documents")); }
    QString folder(const QString& name) {
        QDir(m_files.path()).mkpath(name);
        return m_files.filePath(name);
    }

    // The dialog as the operator sees it, closed as soon as it is up: its folder, selected file and filter.
    static Offer shownBy(ui::FileDialog& dialog) {
        Offer seen;
        QTimer poll;
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* shown = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!shown || !shown->isVisible()) return;
            poll.stop();
            seen.folder = shown->directory().absolutePath();
            seen.name = shown->selectedFiles().value(0);
            seen.filter = shown->selectedNameFilter();
            shown->reject();
        });
        poll.start();
        QWidget owner;
        if (dialog.execute(&owner)) qWarning("the dialog was accepted");
        return seen;
    }

private slots:
    void init() {
        m_home = std::make_unique<QTemporaryDir>();
        QDir(m_home->path()).mkpath(QStringLiteral("Documents"));
        qputenv("HOME", QFile::encodeName(m_home->path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home->filePath(QStringLiteral(".config"))));
        ui::FileDialog::forgetLastFolder();
    }

    void firstDialogOpensInTheDocumentsFolder() {
        ui::FileDialog open(ui::FileDialog::Mode::Open);
        QCOMPARE(open.offer().folder, documents());
        QCOMPARE(open.offer().name, QString());
        // Without a documents folder, the home folder.
        QDir(documents()).removeRecursively();
        QCOMPARE(open.offer().folder, m_home->path());
    }

    // Each step: a dialog (a, b or c; c saves with a suggested name) given a file in a folder, or cancelled; then
    // what each dialog would offer.
    void laterDialogsOpenWhereTheLastFileWas_data() {
        QTest::addColumn<QStringList>("steps");  // "<dialog> <folder>/<file>", "<dialog> cancel", "rm <folder>"
        QTest::addColumn<QStringList>("offers"); // per dialog a, b, c: "<folder>/<name>" ("docs" for the documents)
        QTest::newRow("nothing chosen") << QStringList{} << QStringList{"docs/", "docs/", "docs/pemenang.xls"};
        QTest::newRow("a cancelled") << QStringList{"a cancel"} << QStringList{"docs/", "docs/", "docs/pemenang.xls"};
        QTest::newRow("a picks a file: the others follow to its folder")
            << QStringList{"a acara/peserta.xlsx"} << QStringList{"acara/peserta.xlsx", "acara/", "acara/pemenang.xls"};
        QTest::newRow("each keeps its own folder, the last one leads the rest")
            << QStringList{"a masuk/peserta.xlsx", "c keluar/hasil.xls"}
            << QStringList{"masuk/peserta.xlsx", "keluar/", "keluar/pemenang.xls"};
        QTest::newRow("a save dialog proposes its suggestion, not its last name")
            << QStringList{"c keluar/hasil.xls", "a masuk/peserta.xlsx"}
            << QStringList{"masuk/peserta.xlsx", "masuk/", "keluar/pemenang.xls"};
        QTest::newRow("a dialog whose folder is gone opens where the last file was")
            << QStringList{"a lama/peserta.xlsx", "b baru/x.csv", "rm lama"}
            << QStringList{"baru/", "baru/x.csv", "baru/pemenang.xls"};
    }
    void laterDialogsOpenWhereTheLastFileWas() {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, offers);
        ui::FileDialog a(ui::FileDialog::Mode::Open);
        ui::FileDialog b(ui::FileDialog::Mode::Open);
        ui::FileDialog c(ui::FileDialog::Mode::Save);
        c.setSuggestedName(QStringLiteral("pemenang.xls"));
        ui::FileDialog* dialogs[] = {&a, &b, &c};
        for (const QString& step : steps) {
            const QString what = step.section(QLatin1Char(' '), 1);
            if (step.startsWith(QLatin1String("rm "))) {
                QDir(m_files.filePath(what)).removeRecursively();
                continue;
            }
            ui::FileDialog& dialog = *dialogs[step.at(0).unicode() - 'a'];
            const bool cancel = what == QLatin1String("cancel");
            if (!cancel) folder(what.section(QLatin1Char('/'), 0, 0));
            ui::FileDialog::setNextFileName(cancel ? QString() : m_files.filePath(what));
            QCOMPARE(dialog.execute(nullptr), !cancel);
        }
        QStringList actual;
        for (ui::FileDialog* dialog : dialogs) {
            const Offer offer = dialog->offer();
            QString where = offer.folder == documents() ? QStringLiteral("docs")
                                                        : QDir(m_files.path()).relativeFilePath(offer.folder);
            actual << where + QLatin1Char('/') + offer.name;
        }
        QCOMPARE(actual, offers);
    }

    // The hook notes what the dialog it answered would have offered.
    void hookKeepsTheOffer() {
        ui::FileDialog save(ui::FileDialog::Mode::Save);
        save.setNameFilters({QStringLiteral("PDF (*.pdf)"), QStringLiteral("All files (*)")});
        save.setSuggestedName(QStringLiteral("berita-acara.pdf"));
        ui::FileDialog::setNextFileName(QString());
        QVERIFY(!save.execute(nullptr));
        const Offer offered = ui::FileDialog::offered();
        QCOMPARE(offered.folder, documents());
        QCOMPARE(offered.name, QStringLiteral("berita-acara.pdf"));
        QCOMPARE(offered.filter, QStringLiteral("PDF (*.pdf)"));
    }

    // The real dialog opens where the offer says, with the proposed name and the first filter selected.
    void realDialogShowsTheOffer() {
        ui::FileDialog save(ui::FileDialog::Mode::Save);
        save.setNameFilters({QStringLiteral("Microsoft Excel (*.xls)")});
        save.setSuggestedName(QStringLiteral("pemenang-2025-05-01.xls"));
        Offer seen = shownBy(save);
        QCOMPARE(seen.folder, documents());
        QCOMPARE(seen.name, documents() + QStringLiteral("/pemenang-2025-05-01.xls"));
        QCOMPARE(seen.filter, QStringLiteral("Microsoft Excel (*.xls)"));

        ui::FileDialog open(ui::FileDialog::Mode::Open);
        open.setNameFilters({QStringLiteral("Spreadsheets (*.xls *.xlsx *.ods *.csv)"), QStringLiteral("*.xls")});
        const QString list = folder(QStringLiteral("acara")) + QStringLiteral("/peserta.xlsx");
        QFile(list).open(QIODevice::WriteOnly);
        ui::FileDialog::setNextFileName(list);
        QVERIFY(open.execute(nullptr));
        seen = shownBy(open);
        QCOMPARE(seen.folder, m_files.filePath(QStringLiteral("acara")));
        QCOMPARE(seen.name, list);
        QCOMPARE(seen.filter, QStringLiteral("Spreadsheets (*.xls *.xlsx *.ods *.csv)"));
        QCOMPARE(shownBy(save).folder, m_files.filePath(QStringLiteral("acara")));
    }
};

QTEST_MAIN(FileDialogTest)
#include "FileDialogTest.moc"
