#include "app/StartGuard.h"

#include "app/CommandLine.h"

#include <QByteArray>
#include <QList>
#include <cstdio>
#include <cstdlib>

namespace {

// A message Qt gave while the application was being made, kept to be passed on.
struct Held {
    QtMsgType type;
    QByteArray file, function, category;
    int line;
    QString text;
};

QtMessageHandler previous = nullptr;
QStringList arguments;
QList<Held> held;

void handle(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type != QtFatalMsg) {
        held.append({type, context.file, context.function, context.category, context.line, text});
        return;
    }
    const QString why =
        StartGuard::whyNoWindow(arguments, qEnvironmentVariable("DISPLAY"), qEnvironmentVariable("QT_QPA_PLATFORM"));
    std::fputs(qPrintable(why), stderr);
    std::fflush(stderr);
    // Nothing of the half-made application is to be undone: ending here is what Qt's abort would have done.
    std::_Exit(CommandLine::RefusedStatus);
}

} // namespace

StartGuard::StartGuard(int argc, char** argv) {
    arguments.clear();
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    held.clear();
    previous = qInstallMessageHandler(&handle);
}

StartGuard::~StartGuard() {
    qInstallMessageHandler(previous);
    for (const Held& message : held) {
        const QMessageLogContext context(message.file.constData(), message.line, message.function.constData(),
                                         message.category.constData());
        qt_message_output(message.type, context, message.text);
    }
    held.clear();
}

QString StartGuard::whyNoWindow(const QStringList& arguments, const QString& display, const QString& platform) {
    const CommandLine line = CommandLine::parse(arguments);
    if (line.action == CommandLine::Action::Refuse) return QStringLiteral("tombolika: %1\n").arg(line.text);
    QString why;
    if (!platform.isEmpty())
        why = QStringLiteral("tombolika: cannot open a window on the platform \"%1\".\n").arg(platform);
    else if (display.isEmpty())
        why = QStringLiteral("tombolika: cannot open a window: no display is set (DISPLAY is empty).\n");
    else
        why = QStringLiteral("tombolika: cannot open a window on the display \"%1\".\n").arg(display);
    return why + QStringLiteral("--verify and --minutes work without a display.\n");
}
