#pragma once

#include "tests/support/TestDatabase.h"

#include <QApplication>
#include <QTest>
#include <cstdio>

// A QtTest class run once on each store: every TestDatabase it makes without naming a store is a db_sms.mdb file
// in the first run and a database on the tests' server in the second. The exit status fails when either run does.
template <class TestClass, class Application> int runOnEachStore(int argc, char** argv) {
    Application app(argc, argv);
    if constexpr (std::is_same_v<Application, QApplication>) app.setAttribute(Qt::AA_Use96Dpi, true);
    int failed = 0;
    for (const Store store : kStores) {
        std::printf("*** On the store: %s\n", storeName(store));
        TestDatabase::setDefaultStore(store);
        TestClass test;
        failed |= QTest::qExec(&test, argc, argv);
    }
    return failed;
}

#define TOMBOLIKA_QTEST_MAIN_ON_EACH_STORE(TestClass)                                                                  \
    int main(int argc, char** argv) {                                                                                  \
        return runOnEachStore<TestClass, QApplication>(argc, argv);                                                    \
    }

#define TOMBOLIKA_QTEST_GUILESS_MAIN_ON_EACH_STORE(TestClass)                                                          \
    int main(int argc, char** argv) {                                                                                  \
        return runOnEachStore<TestClass, QCoreApplication>(argc, argv);                                                \
    }
