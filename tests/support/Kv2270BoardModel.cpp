#include "Kv2270BoardModel.h"

#include <cstring>

namespace {
const char command = 0x15;
const int shortWriteLength = 6;
const int registers0To15WriteLength = 21;
const int shortMapFrameLength = 19;
}

Kv2270BoardModel::Kv2270BoardModel()
{
    std::memset(regs, 0, sizeof regs);
}

quint8 Kv2270BoardModel::value(int map, int reg) const
{
    std::lock_guard<std::mutex> guard(mutex);
    return regs[map % mapCount][reg % registerCount];
}

void Kv2270BoardModel::setValue(int map, int reg, quint8 value)
{
    std::lock_guard<std::mutex> guard(mutex);
    regs[map % mapCount][reg % registerCount] = value;
}

QByteArray Kv2270BoardModel::registers(int map) const
{
    std::lock_guard<std::mutex> guard(mutex);
    return QByteArray(reinterpret_cast<const char *>(regs[map % mapCount]), registerCount);
}

int Kv2270BoardModel::frameLength(const QByteArray &pending)
{
    if (pending.isEmpty())
        return 0;
    if (pending.at(0) != command)
        return pending.size();
    return pending.size() < 2 ? 0 : 2 + quint8(pending.at(1));
}

int Kv2270BoardModel::group(int reg)
{
    return (reg & ~3) + 3 - (reg & 3);
}

int Kv2270BoardModel::longRegister(const QByteArray &payload)
{
    return (quint8(payload.at(0)) - 0x80) & 0x7F;
}

// The frames are told apart by length and by their address byte: the short
// form's is below 0x80, the long form's and a list entry's above; a long
// write has the code 0xC beside its map, a whole-map frame zeros after it.
QByteArray Kv2270BoardModel::answer(const QByteArray &frame)
{
    QByteArray reply = frame;
    if (frame.size() < 4 || frame.at(0) != command)
        return reply;
    reply[0] = 0;
    const QByteArray payload = frame.mid(2);
    const quint8 lead = quint8(payload.at(0));
    const int map = quint8(payload.at(1)) >> 4;
    std::lock_guard<std::mutex> guard(mutex);
    if (frame.size() == 4 && lead < 0x80)
        reply[3] = char(regs[0][group(lead >> 3)]);
    else if (frame.size() == 5)
        reply[4] = char(regs[map % mapCount][longRegister(payload)]);
    else if (frame.size() == shortWriteLength && lead < 0x80)
        regs[0][(lead >> 3) & 0x0F] = quint8(payload.at(1));
    else if (frame.size() == shortWriteLength && (payload.at(1) & 0x0F) == 0x0C)
        regs[map % mapCount][longRegister(payload)] = quint8(payload.at(2));
    else if (frame.size() == registers0To15WriteLength && lead == 0x04)
        std::memcpy(regs[0], payload.constData() + 1, 16);
    else if (frame.size() == shortMapFrameLength && lead == 0x00)
        std::memcpy(reply.data() + 3, regs[0], 16);
    else if (lead >= 0x80 && payload.size() >= 18 && payload.at(2) == 0)
        readMapFrame(payload, reply);
    else if (lead >= 0x80)
        readList(payload, reply);
    return reply;
}

void Kv2270BoardModel::readMapFrame(const QByteArray &payload, QByteArray &reply) const
{
    const int map = quint8(payload.at(1)) >> 4;
    const int start = longRegister(payload);
    for (int j = 0; j + 2 < payload.size(); ++j)
        reply[4 + j] = char(regs[map % mapCount][(start + group(j)) % registerCount]);
}

void Kv2270BoardModel::readList(const QByteArray &payload, QByteArray &reply) const
{
    for (int k = 0; 2 * k + 1 < payload.size(); ++k)
        reply[3 + 2 * k] = char(regs[0][quint8(payload.at(2 * k)) & 0x7F]);
}
