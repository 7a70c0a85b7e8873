#include "LockedFolder.h"

#include <QDir>
#include <QFile>
#include <unistd.h>

namespace {

const QFileDevice::Permissions readable = QFileDevice::ReadOwner | QFileDevice::ReadGroup
                                          | QFileDevice::ReadOther | QFileDevice::ExeOwner
                                          | QFileDevice::ExeGroup | QFileDevice::ExeOther;
const QFileDevice::Permissions everyoneWrites = QFileDevice::ReadOwner | QFileDevice::ReadGroup
                                                | QFileDevice::ReadOther | QFileDevice::WriteOwner
                                                | QFileDevice::WriteGroup | QFileDevice::WriteOther;

const uid_t nobody = 65534;

} // namespace

LockedFolder::LockedFolder() : folder(top.path() + "/locked")
{
    // The unprivileged user must reach the folder through its parent.
    made = top.isValid() && QFile::setPermissions(top.path(), readable | QFileDevice::WriteOwner)
           && QDir().mkdir(folder);
}

LockedFolder::~LockedFolder()
{
    unlock();
}

bool LockedFolder::isValid() const
{
    return made;
}

bool LockedFolder::lock(const QStringList &writableFiles)
{
    for (const QString &name : writableFiles)
        if (!QFile::setPermissions(file(name), everyoneWrites))
            return false;
    return QFile::setPermissions(folder, readable);
}

void LockedFolder::unlock()
{
    QFile::setPermissions(folder, readable | QFileDevice::WriteOwner);
}

bool LockedFolder::runUnprivileged(const std::function<void()> &save)
{
    const bool asRoot = geteuid() == 0;
    if (asRoot && seteuid(nobody) != 0)
        return false;
    save();
    if (asRoot && seteuid(0) != 0)
        qFatal("cannot return to root");
    return true;
}
