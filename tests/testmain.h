#pragma once

#include "testregistry.h"

#include <QApplication>
#include <QTest>
#include <memory>

// Runs every registered test class; the exit code counts the failures.
inline int runRegisteredTests(int argc, char* argv[])
{
    QApplication app(argc, argv);
    int failures = 0;
    for (const auto& make : mulo::test::registry()) {
        std::unique_ptr<QObject> test(make());
        failures += QTest::qExec(test.get(), argc, argv);
    }
    return failures;
}
