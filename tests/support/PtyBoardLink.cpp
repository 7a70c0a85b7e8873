#include "PtyBoardLink.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

PtyBoardLink::PtyBoardLink(FrameLength frameLength, Answer answer)
    : frameLength(std::move(frameLength)), answer(std::move(answer))
{
    char name[128] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0 || pipe(wake) != 0)
        qFatal("cannot create a pseudo-terminal pair for the board emulator");
    // The slave stays open here too, so the transport closing its side never
    // hangs the line up; raw, so no byte is changed on the way.
    termios tio;
    tcgetattr(slave, &tio);
    cfmakeraw(&tio);
    tcsetattr(slave, TCSANOW, &tio);
    path = QString::fromLocal8Bit(name);
    thread = std::thread(&PtyBoardLink::run, this);
}

PtyBoardLink::~PtyBoardLink()
{
    const char stop = 0;
    if (write(wake[1], &stop, 1) != 1)
        qWarning("board emulator: cannot stop its thread");
    thread.join();
    for (int fd : {master, slave, wake[0], wake[1]})
        close(fd);
}

void PtyBoardLink::setFault(Fault newFault, int goodRepliesFirst)
{
    std::lock_guard<std::mutex> guard(mutex);
    fault = newFault;
    goodLeft = goodRepliesFirst;
}

void PtyBoardLink::setPacing(int baud)
{
    std::lock_guard<std::mutex> guard(mutex);
    pacingBaud = baud;
}

void PtyBoardLink::setSplitDelay(int ms)
{
    std::lock_guard<std::mutex> guard(mutex);
    splitMs = ms;
}

void PtyBoardLink::inject(const QByteArray &bytes)
{
    writeAll(bytes);
}

QList<QByteArray> PtyBoardLink::frames() const
{
    std::lock_guard<std::mutex> guard(mutex);
    return received;
}

void PtyBoardLink::clearFrames()
{
    std::lock_guard<std::mutex> guard(mutex);
    received.clear();
}

void PtyBoardLink::run()
{
    QByteArray pending;
    for (;;) {
        pollfd fds[2] = {{master, POLLIN, 0}, {wake[0], POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents)
            return;
        char buffer[4096];
        const ssize_t got = read(master, buffer, sizeof buffer);
        if (got <= 0) {
            usleep(1000);
            continue;
        }
        const auto arrived = std::chrono::steady_clock::now();
        pending.append(buffer, int(got));
        for (int need = frameLength(pending); need > 0 && need <= pending.size();
             need = frameLength(pending)) {
            const QByteArray frame = pending.left(need);
            pending.remove(0, need);
            serve(frame, arrived);
        }
    }
}

void PtyBoardLink::serve(const QByteArray &frame, std::chrono::steady_clock::time_point arrived)
{
    QByteArray reply = answer(frame);
    Fault now;
    int baud;
    int splitPause;
    {
        std::lock_guard<std::mutex> guard(mutex);
        received.append(frame);
        now = goodLeft > 0 ? Fault::None : fault;
        if (goodLeft > 0)
            --goodLeft;
        baud = pacingBaud;
        splitPause = splitMs;
    }
    if (baud > 0)
        waitUntil(arrived + std::chrono::microseconds(
                                qint64(frame.size() + reply.size()) * 10 * 1000000 / baud));
    switch (now) {
    case Fault::None:
        break;
    case Fault::Silent:
        return;
    case Fault::Short:
        reply.chop(1);
        break;
    case Fault::Long:
        reply.append(reply.isEmpty() ? '\0' : reply.at(reply.size() - 1));
        break;
    case Fault::Split:
        writeAll(reply.left(1));
        std::this_thread::sleep_for(std::chrono::milliseconds(splitPause));
        reply.remove(0, 1);
        break;
    case Fault::BadCrc:
        if (!reply.isEmpty())
            reply[reply.size() - 1] = char(~reply.at(reply.size() - 1));
        break;
    case Fault::BadLead:
        if (!reply.isEmpty())
            reply[0] = char(0x55);
        break;
    }
    writeAll(reply);
}

// Spins through the last 3 ms and sleeps only before them: a sleeping thread
// may wake some hundred microseconds late, a good part of a frame's wire time.
void PtyBoardLink::waitUntil(std::chrono::steady_clock::time_point deadline)
{
    const auto spin = std::chrono::milliseconds(3);
    if (deadline - std::chrono::steady_clock::now() > spin)
        std::this_thread::sleep_until(deadline - spin);
    while (std::chrono::steady_clock::now() < deadline) {
    }
}

void PtyBoardLink::writeAll(const QByteArray &bytes)
{
    int done = 0;
    while (done < bytes.size()) {
        const ssize_t put = write(master, bytes.constData() + done, size_t(bytes.size() - done));
        if (put < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            return;
        }
        done += int(put);
    }
}
