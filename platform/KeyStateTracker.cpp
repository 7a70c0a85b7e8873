#include "KeyStateTracker.h"

#include <QCoreApplication>
#include <QKeyEvent>

namespace {

const QSet<int> watchedKeys = {Qt::Key_F5, Qt::Key_F6, Qt::Key_F7,
                               Qt::Key_F9, Qt::Key_F10, Qt::Key_F11};

} // namespace

KeyStateTracker::KeyStateTracker(QObject *parent) : QObject(parent)
{
    QCoreApplication::instance()->installEventFilter(this);
}

bool KeyStateTracker::eventFilter(QObject *, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (watchedKeys.contains(key))
            down.insert(key);
        break;
    }
    case QEvent::KeyRelease: {
        auto *keyEvent = static_cast<QKeyEvent *>(event);
        if (!keyEvent->isAutoRepeat())
            down.remove(keyEvent->key());
        break;
    }
    case QEvent::ApplicationDeactivate:
        down.clear();
        break;
    default:
        break;
    }
    return false;
}
