#include "HexFileDialog.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>

QString HexFileDialog::ask(QWidget *parent, bool save, const QString &caption, const QString &dir)
{
    const QString filter = QCoreApplication::translate("MainClass", "Map files (*.hex)");
    if (!save)
        return QFileDialog::getOpenFileName(parent, caption, dir, filter);
    QFileDialog dialog(parent, caption, dir, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("hex"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    // A platform dialog may hand the name back as typed.
    return withSuffix(dialog.selectedFiles().first());
}

QString HexFileDialog::withSuffix(const QString &name)
{
    if (name.isEmpty() || !QFileInfo(name).suffix().isEmpty())
        return name;
    return name.endsWith('.') ? name + QStringLiteral("hex") : name + QStringLiteral(".hex");
}
