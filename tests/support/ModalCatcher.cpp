#include "ModalCatcher.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>

ModalCatcher::ModalCatcher(int pollMs)
{
    connect(&timer, &QTimer::timeout, this, &ModalCatcher::closeActiveModal);
    timer.start(pollMs);
}

void ModalCatcher::closeActiveModal()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal)
        return;
    if (auto *box = qobject_cast<QMessageBox *>(modal)) {
        recorded << box->text();
        box->accept();
    } else if (auto *dialog = qobject_cast<QDialog *>(modal)) {
        recorded << dialog->windowTitle();
        dialog->accept();
    } else {
        recorded << modal->windowTitle();
        modal->close();
    }
}
