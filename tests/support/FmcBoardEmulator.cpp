#include "FmcBoardEmulator.h"

#include "KV2260_fmc_API.h"

namespace {
const char requestLead = char(0x55);
const char replyLead = char(0xAA);
const char readCommand = 0x02;
const char writeCommand = 0x01;

quint16 crcOf(const QByteArray &bytes, int length)
{
    return crc16Ccitt(reinterpret_cast<const quint8 *>(bytes.constData()), length);
}
}

FmcBoardEmulator::FmcBoardEmulator()
    : regs(registerCount, '\0'),
      link(&FmcBoardEmulator::frameLength, [this](const QByteArray &frame) { return answer(frame); })
{
}

quint8 FmcBoardEmulator::registerValue(int reg) const
{
    std::lock_guard<std::mutex> guard(mutex);
    return quint8(regs.at(reg & 0x7F));
}

void FmcBoardEmulator::setRegisterValue(int reg, quint8 value)
{
    std::lock_guard<std::mutex> guard(mutex);
    regs[reg & 0x7F] = char(value);
}

QByteArray FmcBoardEmulator::registers() const
{
    std::lock_guard<std::mutex> guard(mutex);
    return regs;
}

void FmcBoardEmulator::setRegisters(const QByteArray &values)
{
    std::lock_guard<std::mutex> guard(mutex);
    regs = values.left(registerCount).leftJustified(registerCount, '\0');
}

int FmcBoardEmulator::frameLength(const QByteArray &pending)
{
    if (pending.isEmpty())
        return 0;
    if (pending.at(0) != requestLead)
        return pending.size();
    if (pending.size() < 2)
        return 0;
    if (pending.at(1) == readCommand)
        return 5;
    if (pending.at(1) == writeCommand)
        return 6;
    return pending.size();
}

// Registers past the chip's 128 read as 0 and take no writes.
QByteArray FmcBoardEmulator::answer(const QByteArray &frame)
{
    if (frame.at(0) != requestLead || frame.size() < 5)
        return frame;
    const int body = frame.size() - 2;
    const quint16 sent = quint16(quint8(frame.at(body)) << 8 | quint8(frame.at(body + 1)));
    if (crcOf(frame, body) != sent)
        return {};
    const int address = quint8(frame.at(2));
    quint8 value = 0;
    {
        std::lock_guard<std::mutex> guard(mutex);
        if (frame.at(1) == writeCommand && address < registerCount)
            regs[address] = frame.at(3);
        if (address < registerCount)
            value = quint8(regs.at(address));
    }
    QByteArray reply = QByteArray(1, replyLead).append(char(value));
    const quint16 crc = crcOf(reply, 2);
    return reply.append(char(crc >> 8)).append(char(crc & 0xFF));
}
