// The CTest fixture around the tests that use a PostgreSQL server:
//   test_server start FILE   makes and starts a server in a new temporary folder and writes that folder to FILE
//   test_server stop FILE    stops the server FILE names and removes its folder
#include "tests/support/TestServer.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <exception>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3 || (std::string(argv[1]) != "start" && std::string(argv[1]) != "stop")) {
        std::fprintf(stderr, "usage: test_server start|stop FILE\n");
        return 2;
    }
    const QString file = QString::fromLocal8Bit(argv[2]);
    try {
        if (std::string(argv[1]) == "start") {
            // A server left by an interrupted run goes first.
            QFile earlier(file);
            if (earlier.open(QIODevice::ReadOnly)) {
                const QString folder = QString::fromUtf8(earlier.readAll().trimmed());
                earlier.close();
                try {
                    TestServer::stopIn(folder.toStdString());
                } catch (const std::exception&) {
                }
                QDir(folder).removeRecursively();
            }
            QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/tombolika-pg-XXXXXX"));
            folder.setAutoRemove(false);
            TestServer::startIn(folder.path().toStdString());
            QFile out(file);
            if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
                throw std::runtime_error("cannot write the file");
            out.write(folder.path().toUtf8());
            std::printf("test server on %s\n", qPrintable(folder.path()));
        } else {
            QFile in(file);
            if (!in.open(QIODevice::ReadOnly)) return 0; // nothing was started
            const QString folder = QString::fromUtf8(in.readAll().trimmed());
            in.close();
            TestServer::stopIn(folder.toStdString());
            QDir(folder).removeRecursively();
            QFile::remove(file);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "test_server %s: %s\n", argv[1], error.what());
        return 1;
    }
    return 0;
}
