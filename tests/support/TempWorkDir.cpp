#include "TempWorkDir.h"

#include <QDir>

TempWorkDir::TempWorkDir() : previous(QDir::currentPath())
{
    if (!dir.isValid() || !QDir::setCurrent(dir.path()))
        qFatal("cannot enter a temporary working directory");
}

TempWorkDir::~TempWorkDir()
{
    QDir::setCurrent(previous);
}
