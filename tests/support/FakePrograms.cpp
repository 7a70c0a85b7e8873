#include "FakePrograms.h"

#include <QFile>

FakePrograms::FakePrograms() : path(qgetenv("PATH"))
{
    qputenv("PATH", dir.path().toLocal8Bit());
}

FakePrograms::~FakePrograms()
{
    qputenv("PATH", path);
}

bool FakePrograms::add(const QString &name, bool executable)
{
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(QStringLiteral("#!/bin/sh\necho $PPID > '%1'\nexec /bin/sleep 3\n").arg(marker(name)).toLocal8Bit());
    file.close();
    QFileDevice::Permissions permissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    if (executable)
        permissions |= QFileDevice::ExeOwner;
    return file.setPermissions(permissions);
}

QString FakePrograms::marker(const QString &name) const
{
    return dir.filePath(name + ".ran");
}

bool FakePrograms::ran(const QString &name) const
{
    return QFile::exists(marker(name));
}

qint64 FakePrograms::parentOf(const QString &name) const
{
    QFile file(marker(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed().toLongLong() : -1;
}
