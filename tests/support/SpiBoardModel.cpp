#include "SpiBoardModel.h"

#include <cstring>

#include "canal.h"

SpiBoardModel::SpiBoardModel() : regs(wideRegisterCount, 0)
{
}

quint8 SpiBoardModel::value(int reg) const
{
    std::lock_guard<std::mutex> guard(mutex);
    return regs[size_t(reg) % regs.size()];
}

void SpiBoardModel::setValue(int reg, quint8 value)
{
    std::lock_guard<std::mutex> guard(mutex);
    regs[size_t(reg) % regs.size()] = value;
}

QByteArray SpiBoardModel::registers() const
{
    std::lock_guard<std::mutex> guard(mutex);
    return QByteArray(reinterpret_cast<const char *>(regs.data()), registerCount);
}

void SpiBoardModel::setRegisters(const QByteArray &values)
{
    std::lock_guard<std::mutex> guard(mutex);
    std::memcpy(regs.data(), values.constData(), size_t(qMin<int>(values.size(), registerCount)));
}

void SpiBoardModel::setWriteFrames(WriteFrames kind)
{
    std::lock_guard<std::mutex> guard(mutex);
    writeFrames = kind;
}

void SpiBoardModel::setDialect(const Dialect &newDialect)
{
    std::lock_guard<std::mutex> guard(mutex);
    dialect = newDialect;
}

int SpiBoardModel::frameLength(const QByteArray &pending) const
{
    std::lock_guard<std::mutex> guard(mutex);
    if (pending.isEmpty())
        return 0;
    if (pending.at(0) != dialect.command)
        return pending.size();
    if (pending.size() < 2)
        return 0;
    return 2 + quint8(pending.at(1));
}

QByteArray SpiBoardModel::answer(const QByteArray &frame)
{
    std::lock_guard<std::mutex> guard(mutex);
    if (frame.size() == 1 && dialect.chipSelect)
        return QByteArray(1, '\0');
    QByteArray reply = frame;
    if (frame.isEmpty() || frame.at(0) != dialect.command)
        return reply;
    reply[0] = 0;
    const int width = dialect.addressBytes;
    if (frame.size() < 2 + width)
        return reply;
    const QByteArray payload = frame.mid(2);
    const bool reversed = dialect.bitReversed
                          || (dialect.reversedSingleRead && frame.size() == 4
                              && quint8(frame.at(3)) == 0xFF);
    const Address start = addressAt(payload, 0, reversed);
    if (start.range && start.read) {
        for (int i = 0; i + width < payload.size(); ++i)
            reply[2 + width + i] = char(wire(load(start.reg + i)));
    } else if (start.read) {
        readEntries(payload, reversed, reply);
    } else if (start.range
               || (width == 1 && (writeFrames == WriteFrames::Ranges || payload.size() % 2 == 1))) {
        for (int i = 0; i + width < payload.size(); ++i)
            store(start.reg + i, wire(quint8(payload.at(width + i))));
    } else {
        writeEntries(payload);
    }
    return reply;
}

// The read flag is taken off a read's address, the range mark off a range's;
// a write's one-byte address stands as it is.
SpiBoardModel::Address SpiBoardModel::addressAt(const QByteArray &payload, int offset,
                                                bool reversed) const
{
    quint8 lead = quint8(payload.at(offset));
    if (reversed)
        lead = canal::reverseBits(lead);
    Address address;
    address.read = lead & 0x80;
    address.range = dialect.rangesMarked && (lead & 0x40);
    if (dialect.addressBytes == 2) {
        address.reg = ((lead & 0x3F) << 8) | quint8(payload.at(offset + 1));
        return address;
    }
    address.reg = lead & ~((address.read ? 0x80 : 0) | (address.range ? 0x40 : 0));
    return address;
}

quint8 SpiBoardModel::wire(quint8 byte) const
{
    return dialect.bitReversed ? canal::reverseBits(byte) : byte;
}

void SpiBoardModel::readEntries(const QByteArray &payload, bool reversed, QByteArray &reply) const
{
    const int width = dialect.addressBytes;
    for (int at = 0; at + width < payload.size(); at += width + 1)
        reply[2 + at + width] = char(wire(load(addressAt(payload, at, reversed).reg)));
}

void SpiBoardModel::writeEntries(const QByteArray &payload)
{
    const int width = dialect.addressBytes;
    for (int at = 0; at + width < payload.size(); at += width + 1)
        store(addressAt(payload, at, dialect.bitReversed).reg, wire(quint8(payload.at(at + width))));
}

// A one-byte address wraps past 255. Addresses past the chip's registers
// are taken and forgotten.
void SpiBoardModel::store(int address, quint8 value)
{
    if (dialect.addressBytes == 1)
        address &= 0xFF;
    const int limit = dialect.addressBytes == 1 ? registerCount : wideRegisterCount;
    if (address < limit)
        regs[size_t(address)] = value;
}

quint8 SpiBoardModel::load(int address) const
{
    const int mask = dialect.addressBytes == 1 ? registerCount - 1 : wideRegisterCount - 1;
    return regs[size_t(address & mask)];
}
