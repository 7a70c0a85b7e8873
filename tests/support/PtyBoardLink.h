#pragma once
#include <QByteArray>
#include <QList>
#include <QString>
#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <thread>

// The far side of a serial board: a pseudo-terminal pair whose slave a
// transport opens by path, and a thread on the master that cuts the incoming
// bytes into frames, asks the board for each reply and writes it back with a
// single write. It records every frame and can misbehave on request.
//
// Every public call is safe from any thread.
class PtyBoardLink
{
public:
    enum class Fault {
        None,
        Silent,   // no reply at all
        Short,    // the reply without its last byte
        Long,     // the reply and one byte more
        Split,    // the first byte, then the rest after splitDelay()
        BadCrc,   // the last byte of the reply inverted
        BadLead,  // byte 0 of the reply replaced by 0x55, as if echoed
    };

    // Bytes the frame at the start of the pending input needs (0: not known
    // yet), and the correct reply to one frame.
    using FrameLength = std::function<int(const QByteArray &pending)>;
    using Answer = std::function<QByteArray(const QByteArray &frame)>;

    PtyBoardLink(FrameLength frameLength, Answer answer);
    ~PtyBoardLink();
    PtyBoardLink(const PtyBoardLink &) = delete;
    PtyBoardLink &operator=(const PtyBoardLink &) = delete;

    QString portPath() const { return path; }

    // Replies after the first `goodRepliesFirst` correct ones get `fault`.
    void setFault(Fault fault, int goodRepliesFirst = 0);
    // Delays each reply by the wire time of the request and the reply at
    // `baud` (10 bits a byte); 0 answers at once.
    void setPacing(int baud);
    void setSplitDelay(int ms);

    // Writes bytes to the transport's side now, unasked.
    void inject(const QByteArray &bytes);

    QList<QByteArray> frames() const;
    void clearFrames();

private:
    void run();
    void serve(const QByteArray &frame, std::chrono::steady_clock::time_point arrived);
    void writeAll(const QByteArray &bytes);
    static void waitUntil(std::chrono::steady_clock::time_point deadline);

    FrameLength frameLength;
    Answer answer;
    int master = -1;
    int slave = -1;
    int wake[2] = {-1, -1};
    QString path;

    mutable std::mutex mutex;
    QList<QByteArray> received;
    Fault fault = Fault::None;
    int goodLeft = 0;
    int pacingBaud = 0;
    int splitMs = 20;

    std::thread thread;
};
