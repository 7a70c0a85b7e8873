#pragma once
#include <QString>
#include <QTemporaryDir>

// Makes a new empty directory the current one for its lifetime and returns
// to the previous directory afterwards; the directory is removed with it.
class TempWorkDir
{
public:
    TempWorkDir();
    ~TempWorkDir();
    TempWorkDir(const TempWorkDir &) = delete;
    TempWorkDir &operator=(const TempWorkDir &) = delete;

    QString path() const { return dir.path(); }
    // Absolute path of a file inside the directory.
    QString file(const QString &name) const { return dir.filePath(name); }

private:
    QTemporaryDir dir;
    QString previous;
};
