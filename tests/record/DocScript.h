#pragma once

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <string>

// The hand-check scripts of docs/record.md, run as a reader of the document would run them, so the document
// cannot drift from the program.
namespace docscript {

// The python block that follows "<!-- script: name -->" in docs/record.md; empty when there is none.
inline QByteArray script(const char* name) {
    QFile file(QStringLiteral(TOMBOLIKA_TEST_DATA "/../../docs/record.md"));
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray text = file.readAll();
    const qsizetype marker = text.indexOf(QByteArray("<!-- script: ") + name + " -->");
    if (marker < 0) return {};
    const QByteArray fence = "```python\n";
    const qsizetype start = text.indexOf(fence, marker);
    if (start < 0) return {};
    const qsizetype end = text.indexOf("```", start + fence.size());
    return text.mid(start + fence.size(), end - start - fence.size());
}

struct Result {
    int exitCode = -1;
    std::string out;
};

// Runs the script with python3 and the arguments; the output trimmed.
inline Result run(const char* name, const QStringList& arguments) {
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("script.py")));
    if (!file.open(QIODevice::WriteOnly)) return {};
    file.write(script(name));
    file.close();
    QProcess python;
    python.setProcessChannelMode(QProcess::MergedChannels);
    python.start(QStringLiteral("python3"), QStringList{file.fileName()} + arguments);
    if (!python.waitForFinished(60000)) return {};
    return {python.exitCode(), python.readAll().trimmed().toStdString()};
}

} // namespace docscript
