#include "SystemCalculator.h"

#include <QProcess>

const QStringList &SystemCalculator::candidates()
{
    static const QStringList names = {"calc1",     "calc",      "gnome-calculator", "kcalc",
                                      "galculator", "mate-calc", "xcalc"};
    return names;
}

bool SystemCalculator::start()
{
    for (const QString &name : candidates())
        if (QProcess::startDetached(name, QStringList()))
            return true;
    return false;
}
