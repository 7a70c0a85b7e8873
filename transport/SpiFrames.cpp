#include "SpiFrames.h"

#include "canal.h"

SpiFrames::SpiFrames(const canal &board)
    : command(board.spiCmd), readFlag(board.readFlag), writeFlag(board.writeFlag),
      maxFrame(board.blockSize)
{
}

QByteArray SpiFrames::header(int payloadLength) const
{
    QByteArray frame;
    frame.reserve(2 + payloadLength);
    frame.append(char(command));
    frame.append(char(payloadLength));
    return frame;
}

QByteArray SpiFrames::singleRead(int reg) const
{
    return header(2).append(char(quint8(reg) | readFlag)).append('\0');
}

QByteArray SpiFrames::singleWrite(int reg, quint8 value) const
{
    return header(2).append(char(quint8(reg) | writeFlag)).append(char(value));
}

QVector<SpiFrames::Frame> SpiFrames::listReads(const quint8 *entries, int count) const
{
    return list(entries, count, true, false);
}

QVector<SpiFrames::Frame> SpiFrames::listWrites(const quint8 *entries, int count,
                                                bool closingFrame) const
{
    return list(entries, count, false, closingFrame);
}

QVector<SpiFrames::Frame> SpiFrames::list(const quint8 *entries, int count, bool read,
                                          bool closingFrame) const
{
    const int perFrame = entriesPerFrame();
    QVector<Frame> frames;
    for (int first = 0; first < count || (closingFrame && first == count); first += perFrame) {
        Frame frame;
        frame.first = first;
        frame.count = qMin(perFrame, count - first);
        frame.bytes = header(2 * frame.count);
        for (int k = first; k < first + frame.count; ++k) {
            frame.bytes.append(char(entries[2 * k] | (read ? readFlag : writeFlag)));
            frame.bytes.append(read ? '\0' : char(entries[2 * k + 1]));
        }
        frames.append(frame);
        if (frame.count < perFrame)
            break;
    }
    return frames;
}

QVector<SpiFrames::Frame> SpiFrames::rangeWrites(int first, const quint8 *values, int count,
                                                 int maxFrameBytes) const
{
    const int perFrame = maxFrameBytes - 3;
    QVector<Frame> frames;
    for (int i = 0; i < count; i += perFrame) {
        Frame frame;
        frame.first = i;
        frame.count = qMin(perFrame, count - i);
        frame.bytes = header(frame.count + 1);
        frame.bytes.append(char(quint8(first + i) | writeFlag));
        frame.bytes.append(reinterpret_cast<const char *>(values + i), frame.count);
        frames.append(frame);
    }
    return frames;
}
