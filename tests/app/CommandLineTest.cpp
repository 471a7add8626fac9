// The command line: what --folder accepts and refuses, and that a program started on a folder reads both its
// database and its logo from there, wherever it was started from.
#include "app/CommandLine.h"
#include "app/Program.h"
#include "core/Schema.h"
#include "data/uData.h"
#include "draw/uAcak.h"
#include "platform/ui/MessageBox.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

using Action = CommandLine::Action;

class CommandLineTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_scratch; // holds "folder/" and "a file"
    QString m_startDirectory;

    // "@" in an argument or a message stands for the scratch directory.
    QString expand(QString text) const { return text.replace(QLatin1Char('@'), m_scratch.path()); }

private slots:
    void initTestCase() {
        QVERIFY(QDir(m_scratch.path()).mkdir(QStringLiteral("folder")));
        QFile file(m_scratch.filePath(QStringLiteral("a file")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        m_startDirectory = QDir::currentPath();
    }

    void cleanup() {
        QDir::setCurrent(m_startDirectory);
        TDTModule::setFolder(QString());
    }

    void parse_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<Action>("action");
        QTest::addColumn<QString>("folder"); // for Start
        QTest::addColumn<QString>("text");   // the message for Refuse, a part of it for ShowText

        QTest::newRow("no options: the start as always") << QStringList{} << Action::Start << ""
                                                         << "";
        QTest::newRow("--folder DIR") << QStringList{"--folder", "@/folder"} << Action::Start << "@/folder"
                                      << "";
        QTest::newRow("--folder=DIR") << QStringList{"--folder=@/folder"} << Action::Start << "@/folder"
                                      << "";
        QTest::newRow("relative to the working folder")
            << QStringList{"--folder", "folder"} << Action::Start << "@/folder"
            << "";
        QTest::newRow("dots and a trailing slash")
            << QStringList{"--folder", "@/folder/../folder/./"} << Action::Start << "@/folder"
            << "";
        QTest::newRow("a folder that is not there")
            << QStringList{"--folder", "@/gone"} << Action::Refuse << ""
            << QString("The folder \"%1\" does not exist.").arg(QDir::toNativeSeparators("@/gone"));
        QTest::newRow("a file") << QStringList{"--folder", "@/a file"} << Action::Refuse << ""
                                << QString("\"%1\" is not a folder.").arg(QDir::toNativeSeparators("@/a file"));
        QTest::newRow("an empty folder name") << QStringList{"--folder", ""} << Action::Refuse << ""
                                              << "--folder needs the folder that holds db_sms.mdb.";
        QTest::newRow("no folder after --folder") << QStringList{"--folder"} << Action::Refuse << ""
                                                  << "Missing value after '--folder'.";
        QTest::newRow("an unknown option") << QStringList{"--fodler", "x"} << Action::Refuse << ""
                                           << "Unknown option 'fodler'.";
        QTest::newRow("a stray argument") << QStringList{"db_sms.mdb"} << Action::Refuse << ""
                                          << "Unexpected argument 'db_sms.mdb'.";
        QTest::newRow("--help") << QStringList{"--help"} << Action::ShowText << ""
                                << "--folder <folder>";
        QTest::newRow("--help names the record's modes") << QStringList{"--help"} << Action::ShowText << ""
                                                         << "--minutes <file.pdf>";
        QTest::newRow("--help-all") << QStringList{"--help-all"} << Action::ShowText << ""
                                    << "--folder <folder>";
        QTest::newRow("--help wins over a bad folder")
            << QStringList{"--folder", "@/gone", "--help"} << Action::ShowText << ""
            << "--folder <folder>";
    }

    void parse() {
        QFETCH(QStringList, arguments);
        QFETCH(Action, action);
        QFETCH(QString, folder);
        QFETCH(QString, text);
        QDir::setCurrent(m_scratch.path());
        QStringList args{QStringLiteral("tombolika")};
        for (const QString& a : arguments)
            args << expand(a);

        const CommandLine line = CommandLine::parse(args);
        QCOMPARE(line.action, action);
        QCOMPARE(line.folder, expand(folder));
        if (action == Action::ShowText)
            QVERIFY2(line.text.contains(text), qPrintable(line.text));
        else
            QCOMPARE(line.text, expand(text));
    }

    // The two modes that open no window: what they read and write, and what they refuse.
    void parseRecordModes_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<Action>("action");
        QTest::addColumn<QString>("database");
        QTest::addColumn<QString>("minutes");
        QTest::addColumn<QString>("text"); // the message for Refuse

        QTest::newRow("--verify") << QStringList{"--verify"} << Action::Verify << ""
                                  << ""
                                  << "";
        QTest::newRow("--verify DATABASE") << QStringList{"--verify", "lain.mdb"} << Action::Verify << "lain.mdb"
                                           << ""
                                           << "";
        QTest::newRow("--folder DIR --verify")
            << QStringList{"--folder", "@/folder", "--verify"} << Action::Verify << ""
            << ""
            << "";
        QTest::newRow("--minutes FILE") << QStringList{"--minutes", "ba.pdf"} << Action::Minutes << ""
                                        << "ba.pdf"
                                        << "";
        QTest::newRow("--minutes=FILE DATABASE")
            << QStringList{"--minutes=ba.pdf", "lain.mdb"} << Action::Minutes << "lain.mdb"
            << "ba.pdf"
            << "";
        QTest::newRow("--minutes without a file") << QStringList{"--minutes"} << Action::Refuse << ""
                                                  << ""
                                                  << "Missing value after '--minutes'.";
        QTest::newRow("--minutes with an empty name") << QStringList{"--minutes", ""} << Action::Refuse << ""
                                                      << ""
                                                      << "--minutes needs the name of the PDF to write.";
        QTest::newRow("two databases") << QStringList{"--verify", "a.mdb", "b.mdb"} << Action::Refuse << ""
                                       << ""
                                       << "Unexpected argument 'b.mdb'.";
        QTest::newRow("both modes") << QStringList{"--verify", "--minutes", "ba.pdf"} << Action::Refuse << ""
                                    << ""
                                    << "--verify and --minutes cannot be given together.";
        QTest::newRow("a database named: the folder not needed")
            << QStringList{"--folder", "@/gone", "--verify", "lain.mdb"} << Action::Verify << "lain.mdb"
            << ""
            << "";
        QTest::newRow("a bad folder still refused")
            << QStringList{"--folder", "@/gone", "--verify"} << Action::Refuse << ""
            << "" << QString("The folder \"%1\" does not exist.").arg(QDir::toNativeSeparators("@/gone"));
    }

    void parseRecordModes() {
        QFETCH(QStringList, arguments);
        QFETCH(Action, action);
        QFETCH(QString, database);
        QFETCH(QString, minutes);
        QFETCH(QString, text);
        QStringList args{QStringLiteral("tombolika")};
        for (const QString& a : arguments)
            args << expand(a);
        const CommandLine line = CommandLine::parse(args);
        QCOMPARE(line.action, action);
        QCOMPARE(line.database, database);
        QCOMPARE(line.minutes, minutes);
        QCOMPARE(line.text, expand(text));
        if (arguments.contains(QStringLiteral("--folder")) && action != Action::Refuse)
            QCOMPARE(line.folder, database.isEmpty() ? expand(QStringLiteral("@/folder")) : QString());
    }

    // A database other than db_sms.mdb: a server for several desks, making its tables, copying an event.
    void parseDatabaseModes_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<Action>("action");
        QTest::addColumn<QString>("database");
        QTest::addColumn<QString>("copyFrom");
        QTest::addColumn<QString>("copyTo");
        QTest::addColumn<QString>("text"); // the message for Refuse

        // ("@" stands for the scratch folder here: the URI names its user as a parameter.)
        const QString server = QStringLiteral("postgresql://undian.local/undian?user=desk1&sslmode=require");
        QTest::newRow("--database URI") << QStringList{"--database", server} << Action::Start << server << ""
                                        << ""
                                        << "";
        QTest::newRow("--folder for the logo, --database")
            << QStringList{"--folder", "@/folder", "--database", server} << Action::Start << server << ""
            << ""
            << "";
        QTest::newRow("--verify --database")
            << QStringList{"--verify", "--database", server} << Action::Verify << server << ""
            << ""
            << "";
        QTest::newRow("--verify naming it twice")
            << QStringList{"--verify", "--database", server, "lain.mdb"} << Action::Refuse << ""
            << ""
            << ""
            << "Name the database once: with --database or after --verify or --minutes.";
        QTest::newRow("--database --create")
            << QStringList{"--database", server, "--create"} << Action::Create << server << ""
            << ""
            << "";
        QTest::newRow("--create without a database")
            << QStringList{"--create"} << Action::Refuse << ""
            << ""
            << ""
            << "--create needs --database: the server's URI or the new file's path.";
        QTest::newRow("--copy FROM TO") << QStringList{"--copy", "db_sms.mdb", server} << Action::Copy << ""
                                        << "db_sms.mdb" << server << "";
        QTest::newRow("--copy without a target")
            << QStringList{"--copy", "db_sms.mdb"} << Action::Refuse << ""
            << ""
            << ""
            << "--copy needs the database to copy from and the one to copy to: --copy FROM TO.";
        QTest::newRow("--copy and --verify")
            << QStringList{"--copy", "a.mdb", "b.mdb", "--verify"} << Action::Refuse << ""
            << ""
            << ""
            << "Give one of --verify, --minutes, --create and --copy.";
        QTest::newRow("an empty --database") << QStringList{"--database", ""} << Action::Refuse << ""
                                             << ""
                                             << ""
                                             << "--database needs a server's URI or a file's path.";
    }

    void parseDatabaseModes() {
        QFETCH(QStringList, arguments);
        QFETCH(Action, action);
        QFETCH(QString, database);
        QFETCH(QString, copyFrom);
        QFETCH(QString, copyTo);
        QFETCH(QString, text);
        QDir::setCurrent(m_scratch.path());
        QStringList args{QStringLiteral("tombolika")};
        for (const QString& a : arguments)
            args << expand(a);
        const CommandLine line = CommandLine::parse(args);
        QCOMPARE(line.action, action);
        QCOMPARE(line.database, database);
        QCOMPARE(line.copyFrom, copyFrom);
        QCOMPARE(line.copyTo, copyTo);
        QCOMPARE(line.text, text);
    }

    // --json: the check as one JSON document, with --verify only.
    void parseJson_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<Action>("action");
        QTest::addColumn<bool>("json");
        QTest::addColumn<QString>("text");
        QTest::newRow("--verify --json") << QStringList{"--verify", "--json"} << Action::Verify << true << "";
        QTest::newRow("--json --verify DATABASE")
            << QStringList{"--json", "--verify", "lain.mdb"} << Action::Verify << true << "";
        QTest::newRow("--verify alone") << QStringList{"--verify"} << Action::Verify << false << "";
        QTest::newRow("--json alone") << QStringList{"--json"} << Action::Refuse << false
                                      << "--json goes with --verify.";
        QTest::newRow("--minutes --json")
            << QStringList{"--minutes", "ba.pdf", "--json"} << Action::Refuse << false << "--json goes with --verify.";
    }

    void parseJson() {
        QFETCH(QStringList, arguments);
        QFETCH(Action, action);
        QFETCH(bool, json);
        QFETCH(QString, text);
        const CommandLine line = CommandLine::parse(QStringList{QStringLiteral("tombolika")} + arguments);
        QCOMPARE(line.action, action);
        QCOMPARE(line.json, json);
        QCOMPARE(line.text, text);
    }

    void folderHoldsDatabaseAndLogo() {
        // A folder name an operator may well have: blanks and a letter outside ASCII.
        const QString folder = m_scratch.filePath(QStringLiteral("Undian Désa 2025"));
        QVERIFY(QDir().mkpath(folder));
        schema::createDatabase(QDir(folder).filePath(QStringLiteral("db_sms.mdb")).toStdString());
        QVERIFY(QFile::copy(QStringLiteral(TOMBOLIKA_RESOURCES_DIR "/LOGO.JPG"),
                            QDir(folder).filePath(QStringLiteral("LOGO.JPG"))));
        QTemporaryDir elsewhere; // the working folder: no logo, no database
        QDir::setCurrent(elsewhere.path());

        const CommandLine line = CommandLine::parse({QStringLiteral("tombolika"), QStringLiteral("--folder"), folder});
        QCOMPARE(line.action, Action::Start);
        TDTModule::setFolder(line.folder);
        QCOMPARE(TDTModule::databaseDirectory(), folder);
        QCOMPARE(TDTModule::logoDirectory(), folder);

        ui::MessageBox::setRecording(true);
        ui::MessageBox::clearShown();
        program::initialize();
        program::createForms();
        const auto shown = ui::MessageBox::shown();
        const bool open = DTModule->cn.isOpen();
        const bool logo = !fAcak->Image1->pixmap().isNull();
        program::destroyForms();
        QVERIFY2(shown.isEmpty(), qPrintable(shown.isEmpty() ? QString() : shown.first().text));
        QVERIFY(open);
        QVERIFY(logo);
        QVERIFY(QDir(elsewhere.path()).isEmpty()); // nothing was made where it was started

        // Without a folder, the places of always: beside the program, and the working folder.
        TDTModule::setFolder(QString());
        QCOMPARE(TDTModule::databaseDirectory(), QCoreApplication::applicationDirPath());
        QCOMPARE(TDTModule::logoDirectory(), elsewhere.path());
    }
};

QTEST_MAIN(CommandLineTest)
#include "CommandLineTest.moc"
