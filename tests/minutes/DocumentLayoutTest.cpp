// The document kit's layout read back from the PDF with pdftotext: a heading followed by text, not by a table, is
// never left alone at the foot of a page, wherever the text before it ends.
#include "core/minutes/Document.h"

#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace {

class DocumentLayout : public testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "document_tests";
        static char* argv[] = {name};
        if (!QGuiApplication::instance()) app = std::make_unique<QGuiApplication>(argc, argv);
    }
    // Gone before the program's static objects are: Qt's own go with it.
    static void TearDownTestSuite() { app.reset(); }

    // The PDF's text, pages parted by form feeds.
    static QString pdfText(const QString& path) {
        QProcess pdftotext;
        pdftotext.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
        pdftotext.waitForFinished(60000);
        return QString::fromUtf8(pdftotext.readAllStandardOutput());
    }

    static std::unique_ptr<QGuiApplication> app;
    QTemporaryDir dir;
};

std::unique_ptr<QGuiApplication> DocumentLayout::app;

// Filler lines push the heading down a line at a time, over the first page's foot; its section's text (a list, as
// the seal's letter has, or a paragraph) must be on the heading's page each time, and so must a heading that comes
// right after it (a section with a sub-heading).
TEST_F(DocumentLayout, AHeadingStaysWithTheTextAfterIt) {
    for (const bool list : {true, false}) {
        bool crossed = false;
        for (int filler = 40; filler <= 75; ++filler) {
            const QString path = dir.filePath(QStringLiteral("d%1-%2.pdf").arg(list).arg(filler));
            document::writePdf(
                [&](document::Tables& tables) {
                    QString html = tables.section(1, QStringLiteral("Pembukaan"), false);
                    for (int line = 0; line < filler; ++line)
                        html += QStringLiteral("<p>Baris pengisi %1</p>").arg(line);
                    html += tables.section(2, QStringLiteral("Cara undian"), false);
                    html += tables.heading(4, QStringLiteral("Langkah pertama"), false);
                    html += list ? QStringLiteral("<ol><li>Isi bagian dua.</li><li>Langkah lain.</li></ol>")
                                 : QStringLiteral("<p>Isi bagian dua.</p>");
                    return html;
                },
                QStringLiteral("Uji"), QStringLiteral("Uji"), path);
            const QString text = pdfText(path);
            const qsizetype title = text.indexOf(QStringLiteral("2. Cara undian"));
            const qsizetype body = text.indexOf(QStringLiteral("Isi bagian dua."));
            ASSERT_GE(title, 0) << text.toStdString();
            ASSERT_GT(body, title) << text.toStdString();
            EXPECT_EQ(text.mid(title, body - title).count(QLatin1Char('\f')), 0)
                << (list ? "list" : "paragraph") << ", " << filler << " filler lines:\n"
                << text.toStdString();
            crossed = crossed || text.left(title).contains(QLatin1Char('\f'));
        }
        EXPECT_TRUE(crossed) << "the filler never pushed the heading on to the second page";
    }
}

} // namespace
