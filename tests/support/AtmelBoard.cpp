#include "AtmelBoard.h"

void AtmelBoard::setFault(Fault newFault, int goodRepliesFirst)
{
    std::lock_guard<std::mutex> guard(mutex);
    fault = newFault;
    goodLeft = goodRepliesFirst;
}

void AtmelBoard::receive(const quint8 *data, int length)
{
    const QByteArray frame(reinterpret_cast<const char *>(data), length);
    QByteArray reply = model.answer(frame);
    std::lock_guard<std::mutex> guard(mutex);
    received.append(frame);
    const Fault now = goodLeft > 0 ? Fault::None : fault;
    if (goodLeft > 0)
        --goodLeft;
    switch (now) {
    case Fault::None:
        break;
    case Fault::Silent:
        return;
    case Fault::Short:
        reply.chop(1);
        break;
    case Fault::Reject:
        if (!reply.isEmpty())
            reply[0] = 1;
        break;
    }
    replies = {reply};
}

bool AtmelBoard::takeReply(int length, QByteArray &reply)
{
    std::lock_guard<std::mutex> guard(mutex);
    if (replies.isEmpty())
        return false;
    reply = replies.takeFirst().left(length);
    return true;
}

QList<QByteArray> AtmelBoard::frames() const
{
    std::lock_guard<std::mutex> guard(mutex);
    return received;
}

void AtmelBoard::clearFrames()
{
    std::lock_guard<std::mutex> guard(mutex);
    received.clear();
}
