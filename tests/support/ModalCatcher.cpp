#include "ModalCatcher.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
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
        // The file dialog being answered asks whether to replace the file:
        // the user who picked that file says yes.
        QAbstractButton *yes = answering ? box->button(QMessageBox::Yes) : nullptr;
        if (yes)
            yes->click();
        else
            box->accept();
    } else if (auto *files = qobject_cast<QFileDialog *>(modal)) {
        answer(files);
    } else if (auto *dialog = qobject_cast<QDialog *>(modal)) {
        recorded << dialog->windowTitle();
        dialog->accept();
    } else {
        recorded << modal->windowTitle();
        modal->close();
    }
}

void ModalCatcher::answer(QFileDialog *dialog)
{
    if (dialog == answering) {
        // Still open after its accept: it refused the path.
        if (accepted)
            dialog->reject();
        return;
    }
    recorded << dialog->windowTitle();
    if (fileAnswer.isEmpty()) {
        dialog->reject();
        return;
    }
    answering = dialog;
    accepted = false;
    dialog->selectFile(fileAnswer);
    // Accepted from the dialog's own event loop, not from this timer's call:
    // the question it may ask (replace an existing file?) is a modal box that
    // this timer, busy in its own call, could never close.
    QPointer<ModalCatcher> self(this);
    QTimer::singleShot(0, dialog, [self, dialog] {
        static_cast<QDialog *>(dialog)->accept();
        if (self)
            self->accepted = true;
    });
}
