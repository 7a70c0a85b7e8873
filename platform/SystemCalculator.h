#pragma once
#include <QStringList>

// The desktop's calculator, started as a program of its own that outlives
// the tool.
class SystemCalculator
{
public:
    // Names tried in order: the two the tool has always asked for, then the
    // calculators of the common Linux desktops.
    static const QStringList &candidates();

    // Starts the first candidate that starts; false when none does.
    static bool start();
};
