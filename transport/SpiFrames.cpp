#include "SpiFrames.h"

#include "canal.h"

SpiFrames::SpiFrames(const canal &board, const SpiDialect &dialect)
    : command(board.spiCmd), readFlag(board.readFlag), writeFlag(board.writeFlag),
      rangeFlag(dialect.rangesMarked ? board.autoIncFlag : 0),
      addressBytes(board.addrBytes == 2 ? 2 : 1), maxFrame(board.blockSize), dialect(dialect)
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

// A chip that takes its bytes least significant bit first gets every
// address and value byte reversed; the command and length bytes never are.
quint8 SpiFrames::wire(quint8 byte) const
{
    return dialect.bitReversed ? canal::reverseBits(byte) : byte;
}

// The low eight or sixteen bits of the register number, high byte first,
// with the flags in the first byte.
QByteArray SpiFrames::address(int reg, quint8 flags) const
{
    QByteArray bytes;
    if (addressBytes == 2)
        bytes.append(char(quint8(reg >> 8) | flags)).append(char(quint8(reg)));
    else
        bytes.append(char(wire(quint8(reg) | flags)));
    return bytes;
}

QByteArray SpiFrames::entryAddress(const quint8 *entry, quint8 flag) const
{
    QByteArray bytes(reinterpret_cast<const char *>(entry), addressBytes);
    bytes[0] = char(wire(entry[0] | flag));
    return bytes;
}

QByteArray SpiFrames::singleRead(int reg) const
{
    return header(entryBytes()).append(address(reg, readFlag)).append('\0');
}

QByteArray SpiFrames::singleWrite(int reg, quint8 value) const
{
    return header(entryBytes()).append(address(reg, writeFlag)).append(char(wire(value)));
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
        frame.stride = entryBytes();
        frame.bytes = header(entryBytes() * frame.count);
        const char filler = char(frame.count < perFrame ? dialect.partialListReadFiller : 0);
        for (int k = first; k < first + frame.count; ++k) {
            const quint8 *entry = entries + entryBytes() * k;
            frame.bytes.append(entryAddress(entry, read ? readFlag : writeFlag));
            frame.bytes.append(read ? filler : char(wire(entry[addressBytes])));
        }
        frames.append(frame);
        if (frame.count < perFrame)
            break;
    }
    return frames;
}

QVector<SpiFrames::Frame> SpiFrames::rangeReads(int first, int count) const
{
    return ranges(first, nullptr, count, dialect.rangeReadFrame, readFlag | rangeFlag);
}

QVector<SpiFrames::Frame> SpiFrames::rangeWrites(int first, const quint8 *values, int count) const
{
    return ranges(first, values, count, dialect.rangeWriteFrame, writeFlag | rangeFlag);
}

// A read frame carries a placeholder 0 for every value it asks for.
QVector<SpiFrames::Frame> SpiFrames::ranges(int first, const quint8 *values, int count,
                                            int frameBytes, quint8 flags) const
{
    const int perFrame = frameBytes - 2 - addressBytes;
    QVector<Frame> frames;
    for (int i = 0; i < count; i += perFrame) {
        Frame frame;
        frame.first = i;
        frame.count = qMin(perFrame, count - i);
        frame.bytes = header(addressBytes + frame.count).append(address(first + i, flags));
        for (int k = i; k < i + frame.count; ++k)
            frame.bytes.append(values ? char(wire(values[k])) : '\0');
        frames.append(frame);
    }
    return frames;
}

QByteArray SpiFrames::rangeEntries(int first, int count, const quint8 *values) const
{
    QByteArray entries;
    entries.reserve(entryBytes() * count);
    for (int i = 0; i < count; ++i) {
        const int reg = first + i;
        if (addressBytes == 2)
            entries.append(char(quint8(reg >> 8)));
        entries.append(char(quint8(reg))).append(values ? char(values[i]) : '\0');
    }
    return entries;
}

quint8 SpiFrames::singleValue(const QByteArray &reply) const
{
    return wire(quint8(reply.at(2 + addressBytes)));
}

void SpiFrames::storeValues(const Frame &frame, const QByteArray &reply, quint8 *target) const
{
    for (int k = 0; k < frame.count; ++k)
        target[(frame.first + k + 1) * frame.stride - 1] =
            wire(quint8(reply.at(2 + addressBytes + k * frame.stride)));
}
