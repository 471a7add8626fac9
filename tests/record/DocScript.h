#pragma once

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <string>

// The hand-check scripts of docs/record.md and docs/verifiable-draw.md, run as a reader of the document would run them,
// so the document cannot drift from the program.
namespace docscript {

// The text of a document under docs/.
inline QByteArray document(const char* name) {
    QFile file(QStringLiteral(TOMBOLIKA_TEST_DATA "/../../docs/") + QString::fromUtf8(name));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

// The body of the first block fenced with "```info" at or after `from` in the text; empty when there is none.
inline QByteArray fenced(const QByteArray& text, const QByteArray& info, qsizetype from = 0) {
    const QByteArray fence = "```" + info + "\n";
    const qsizetype start = text.indexOf(fence, from);
    if (start < 0) return {};
    const qsizetype end = text.indexOf("```", start + fence.size());
    return text.mid(start + fence.size(), end - start - fence.size());
}

// The python block that follows "<!-- script: name -->" in the document; empty when there is none.
inline QByteArray script(const char* name, const char* doc = "record.md") {
    const QByteArray text = document(doc);
    const qsizetype marker = text.indexOf(QByteArray("<!-- script: ") + name + " -->");
    if (marker < 0) return {};
    return fenced(text, "python", marker);
}

struct Result {
    int exitCode = -1;
    std::string out;
};

// Runs the script with python3 and the arguments; the output trimmed.
inline Result run(const char* name, const QStringList& arguments, const char* doc = "record.md") {
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("script.py")));
    if (!file.open(QIODevice::WriteOnly)) return {};
    file.write(script(name, doc));
    file.close();
    QProcess python;
    python.setProcessChannelMode(QProcess::MergedChannels);
    python.start(QStringLiteral("python3"), QStringList{file.fileName()} + arguments);
    if (!python.waitForFinished(60000)) return {};
    return {python.exitCode(), python.readAll().trimmed().toStdString()};
}

} // namespace docscript
