#pragma once
#include <QObject>
#include <QStringList>
#include <QThread>

class clerk;

// Runs a worker in a thread of its own for its lifetime, as the main window
// runs it, and gathers the texts it reports there. The thread is stopped and
// joined when the object goes.
class WorkerThread : public QObject
{
public:
    explicit WorkerThread(clerk &worker);
    ~WorkerThread() override;

    // Queues a call of one of the worker's slots.
    void call(const char *slot);

    QStringList results;

private:
    clerk &worker;
    QThread thread;
};
