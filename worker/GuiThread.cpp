#include "GuiThread.h"

#include <QCoreApplication>
#include <QThread>
#include <atomic>

void GuiThread::run(const std::function<void()> &work)
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread()) {
        work();
        return;
    }
    // The blocking call already orders the caller's work before and after
    // the GUI thread's; the handover flag states that order where race
    // checkers see it too, which cannot look inside the application's own
    // semaphore.
    std::atomic<int> handover{0};
    handover.store(1, std::memory_order_release);
    QMetaObject::invokeMethod(
        app,
        [&] {
            handover.load(std::memory_order_acquire);
            work();
            handover.store(2, std::memory_order_release);
        },
        Qt::BlockingQueuedConnection);
    handover.load(std::memory_order_acquire);
}
