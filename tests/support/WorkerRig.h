#pragma once
#include <QList>
#include <QSignalSpy>
#include <QStringList>

#include "FakeBoard.h"
#include "RegMap.h"
#include "clerk.h"
#include "service_block.h"

// A worker wired as the main window wires it: a settings window with its
// seeded settings, one 128-register map "KV2260v2" and a fake board as the
// current transport, with spies on both reply signals.
struct WorkerRig
{
    WorkerRig();
    ~WorkerRig();

    void set(const char *key, int value) { settingsWindow.settings[QLatin1String(key)] = value; }
    QList<int> progress() const;
    QStringList texts() const;
    // Writes a file into the current directory and makes it the worker's path.
    void useFile(const QString &name, const QByteArray &content);

    service_block settingsWindow;
    RegMap map;
    FakeBoard board;
    clerk worker;
    QSignalSpy progressSpy;
    // Every text the worker reported, mid-command notices and final reports
    // in the order they came.
    QStringList textSpy;
};

// Fills an image with a fixed pseudo-random pattern.
RegImage patternImage(int size, quint32 seed);
