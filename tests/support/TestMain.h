#pragma once
// Entry point for the tool's Qt tests: a QApplication, the compiled-in
// resources, and a fresh temporary working directory, because the tool looks
// up "default.hex", "filtersave.dat" and "Help" in the current directory.
#include <QApplication>
#include <QTranslator>
#include <QtTest>
#include "TempWorkDir.h"

#define KV_TEST_MAIN(TestObject)                       \
    int main(int argc, char **argv)                    \
    {                                                  \
        QApplication app(argc, argv);                  \
        app.setAttribute(Qt::AA_Use96Dpi, true);       \
        TempWorkDir workDir;                           \
        TestObject tc;                                 \
        QTEST_SET_MAIN_SOURCE_PATH                     \
        return QTest::qExec(&tc, argc, argv);          \
    }

// The same for tests of translated texts: the English catalogue is installed
// first, as the program does at start.
#define KV_TEST_MAIN_ENGLISH(TestObject)                               \
    int main(int argc, char **argv)                                    \
    {                                                                  \
        QApplication app(argc, argv);                                  \
        app.setAttribute(Qt::AA_Use96Dpi, true);                       \
        TempWorkDir workDir;                                           \
        QTranslator english;                                           \
        if (!english.load(":/Translations/template_en.qm"))            \
            qFatal("no English catalogue");                            \
        QCoreApplication::installTranslator(&english);                 \
        TestObject tc;                                                 \
        QTEST_SET_MAIN_SOURCE_PATH                                     \
        return QTest::qExec(&tc, argc, argv);                          \
    }
