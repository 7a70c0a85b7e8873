#pragma once
#include <QString>

class QWidget;

// The file dialogs of the register file commands, filtered to ".hex" files.
class HexFileDialog
{
public:
    // The file the user chose, or empty when cancelled. A name typed for
    // saving without a suffix gets ".hex", so the open dialogs show the
    // file; the dialog asks before it replaces an existing file of that name.
    static QString ask(QWidget *parent, bool save, const QString &caption, const QString &dir);

    // `name` with ".hex" added when it has no suffix.
    static QString withSuffix(const QString &name);
};
