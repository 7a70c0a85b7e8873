#include "SpiBoardModel.h"

#include <cstring>

SpiBoardModel::SpiBoardModel()
{
    std::memset(regs, 0, sizeof regs);
}

quint8 SpiBoardModel::value(int reg) const
{
    std::lock_guard<std::mutex> guard(mutex);
    return regs[reg & 0x7F];
}

void SpiBoardModel::setValue(int reg, quint8 value)
{
    std::lock_guard<std::mutex> guard(mutex);
    regs[reg & 0x7F] = value;
}

QByteArray SpiBoardModel::registers() const
{
    std::lock_guard<std::mutex> guard(mutex);
    return QByteArray(reinterpret_cast<const char *>(regs), registerCount);
}

void SpiBoardModel::setRegisters(const QByteArray &values)
{
    std::lock_guard<std::mutex> guard(mutex);
    std::memcpy(regs, values.constData(), size_t(qMin<int>(values.size(), registerCount)));
}

void SpiBoardModel::setWriteFrames(WriteFrames kind)
{
    std::lock_guard<std::mutex> guard(mutex);
    writeFrames = kind;
}

int SpiBoardModel::frameLength(const QByteArray &pending)
{
    if (pending.isEmpty())
        return 0;
    if (pending.at(0) != command)
        return pending.size();
    if (pending.size() < 2)
        return 0;
    return 2 + quint8(pending.at(1));
}

QByteArray SpiBoardModel::answer(const QByteArray &frame)
{
    QByteArray reply = frame;
    if (frame.isEmpty() || frame.at(0) != command)
        return reply;
    reply[0] = 0;
    if (frame.size() < 3)
        return reply;
    std::lock_guard<std::mutex> guard(mutex);
    const QByteArray payload = frame.mid(2);
    if (quint8(payload.at(0)) & 0x80) {
        for (int k = 0; 2 * k + 1 < payload.size(); ++k)
            reply[3 + 2 * k] = char(regs[quint8(payload.at(2 * k)) & 0x7F]);
    } else if (writeFrames == WriteFrames::Ranges || payload.size() % 2 == 1) {
        writeRange(payload);
    } else {
        writeEntries(payload);
    }
    return reply;
}

void SpiBoardModel::writeRange(const QByteArray &payload)
{
    const int start = quint8(payload.at(0));
    for (int i = 1; i < payload.size(); ++i)
        store((start + i - 1) & 0xFF, quint8(payload.at(i)));
}

void SpiBoardModel::writeEntries(const QByteArray &payload)
{
    for (int k = 0; 2 * k + 1 < payload.size(); ++k)
        store(quint8(payload.at(2 * k)), quint8(payload.at(2 * k + 1)));
}

// Addresses past the chip's registers are taken and forgotten.
void SpiBoardModel::store(int address, quint8 value)
{
    if (address < registerCount)
        regs[address] = value;
}
