#pragma once
#include <QObject>
#include <QStringList>
#include <QTimer>

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
    void clear() { recorded.clear(); }

private:
    void closeActiveModal();

    QTimer timer;
    QStringList recorded;
};
