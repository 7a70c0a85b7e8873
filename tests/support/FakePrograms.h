#pragma once
#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// Fake programs in a folder of their own that is the whole PATH while the
// object lives. Each one that runs leaves "<name>.ran" holding its parent's
// process id, then stays a few seconds as a real program would.
class FakePrograms
{
public:
    FakePrograms();
    ~FakePrograms();

    // False when the program cannot be written.
    bool add(const QString &name, bool executable = true);
    bool ran(const QString &name) const;
    // The parent process id the program saw; -1 while it has not run.
    qint64 parentOf(const QString &name) const;

private:
    QString marker(const QString &name) const;

    QTemporaryDir dir;
    QByteArray path;
};
