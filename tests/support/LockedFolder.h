#pragma once
#include <QStringList>
#include <QTemporaryDir>
#include <functional>

// A folder that takes no new file but holds files its user may write: a save
// there cannot go through a temporary file beside its target. The folder is
// open while the test fills it, closed by lock() and opened again when the
// object goes, so that it can be removed.
class LockedFolder
{
public:
    LockedFolder();
    ~LockedFolder();
    LockedFolder(const LockedFolder &) = delete;
    LockedFolder &operator=(const LockedFolder &) = delete;

    bool isValid() const;
    QString path() const { return folder; }
    QString file(const QString &name) const { return folder + '/' + name; }
    // Lets every user write the files named (they must exist), then closes
    // the folder to new files.
    bool lock(const QStringList &writableFiles);
    // Opens the folder to its owner again.
    void unlock();

    // Runs `save` as an unprivileged user when the test runs as root, who may
    // make files in any folder; false where that user cannot be taken.
    static bool runUnprivileged(const std::function<void()> &save);

private:
    QTemporaryDir top;
    QString folder;
    bool made = false;
};
