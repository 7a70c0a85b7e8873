#include "WorkerThread.h"

#include "clerk.h"

WorkerThread::WorkerThread(clerk &worker) : worker(worker)
{
    worker.moveToThread(&thread);
    connect(&worker, &clerk::error_mess, this, [this](const QString &text) { results << text; },
            Qt::QueuedConnection);
    thread.start();
}

WorkerThread::~WorkerThread()
{
    thread.quit();
    thread.wait();
}

void WorkerThread::call(const char *slot)
{
    QMetaObject::invokeMethod(&worker, slot, Qt::QueuedConnection);
}
