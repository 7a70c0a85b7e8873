#pragma once
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>

class QFileDialog;

// Closes every modal dialog that opens while it lives and records the text
// of each: a message box would otherwise block a headless run forever.
class ModalCatcher : public QObject
{
    Q_OBJECT
public:
    explicit ModalCatcher(int pollMs = 10);

    // Texts of the dialogs closed so far, oldest first (a message box
    // contributes its text, any other dialog its window title).
    const QStringList &texts() const { return recorded; }
    // The texts on one line, for the message of a failed check.
    QString caught() const { return recorded.join(QStringLiteral(" | ")); }
    void clear() { recorded.clear(); }

    // Every file dialog that opens from now on gets `path` selected and is
    // accepted, as if the user had picked it; with no path (the default) a
    // file dialog is cancelled. A dialog that refuses the path (a missing
    // file to open) is cancelled after the refusal; the question whether to
    // replace an existing file is answered yes.
    void answerFileDialogs(const QString &path) { fileAnswer = path; }

private:
    void closeActiveModal();
    void answer(QFileDialog *dialog);

    QTimer timer;
    QStringList recorded;
    QString fileAnswer;
    // The file dialog being answered, and whether its accept has run.
    QPointer<QFileDialog> answering;
    bool accepted = false;
};

// Compares texts caught with those expected as one text, a line each, so a
// failed comparison shows every text caught, not only how many there were.
#define COMPARE_CAUGHT(caught, expected) \
    QCOMPARE(QStringList(caught).join('\n'), QStringList(expected).join('\n'))
