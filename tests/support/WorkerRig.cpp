#include "WorkerRig.h"

#include <QFile>

WorkerRig::WorkerRig()
    : map(QStringLiteral("KV2260v2"), 128, 0),
      progressSpy(&worker, &clerk::percent_up)
{
    auto record = [this](const QString &text) { textSpy << text; };
    QObject::connect(&worker, &clerk::error_mess, record);
    QObject::connect(&worker, &clerk::notice_mess, record);
    settingsWindow.transport = &board;
    worker.service = &settingsWindow;
    worker.regMaps.insert(map.name, &map);
}

WorkerRig::~WorkerRig()
{
    settingsWindow.transport = nullptr;
}

QList<int> WorkerRig::progress() const
{
    QList<int> values;
    for (const QList<QVariant> &args : progressSpy)
        values << args.at(0).toInt();
    return values;
}

QStringList WorkerRig::texts() const
{
    return textSpy;
}

void WorkerRig::useFile(const QString &name, const QByteArray &content)
{
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        qFatal("cannot write %s", qPrintable(name));
    worker.filePath = name;
}

RegImage patternImage(int size, quint32 seed)
{
    RegImage image(size_t(size), 0);
    quint32 state = seed;
    for (quint8 &byte : image) {
        state = state * 1103515245u + 12345u;
        byte = quint8(state >> 16);
    }
    return image;
}
