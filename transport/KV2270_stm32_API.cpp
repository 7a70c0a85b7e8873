#include "KV2270_stm32_API.h"

#include "KV2260_stm32_API.h"

#include <QSerialPort>
#include <cstring>

namespace {
const int mapRegisters = 128;
const int shortFormRegisters = 16;
const int valuesPerMapFrame = 28;
const quint8 longFormOffset = 0x80;
const quint8 longWriteCode = 0x0C;

// The long form's address byte cannot tell register r from r + 128: only the
// map's 128 registers are taken.
bool inMap(int reg)
{
    return reg >= 0 && reg < mapRegisters;
}

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray array;
    for (int value : values)
        array.append(char(quint8(value)));
    return array;
}
}

KV2270_stm32_API::KV2270_stm32_API()
{
    useKv2260Frames(0);
    csAssertCmd = 0x14;
    csReleaseCmd = 0x13;
    blockSize = 22;
}

// List reads, 10 entries a frame, and raw packets are the KV2260's.
const SpiDialect &KV2270_stm32_API::dialect() const
{
    return KV2260_stm32_API::kv2260Dialect;
}

int KV2270_stm32_API::groupPosition(int reg)
{
    return (reg & ~3) + 3 - (reg & 3);
}

// A reply that never comes fails the read like a wrong one.
bool KV2270_stm32_API::readRegister(quint8 map, int reg, quint8 *value)
{
    QMutexLocker guard(&lock);
    QSerialPort port;
    QByteArray reply;
    if (!inMap(reg) || !openQuietly(port)
        || !over(port, Reporting::Quiet)(readFrame(map, reg), reply))
        return false;
    *value = quint8(reply.at(reply.size() - 1));
    return true;
}

// The KV2260's list frames, at most 10 entries each; an empty list is read
// at once.
bool KV2270_stm32_API::readRegisterBlock(quint8, int count, quint8 **entries)
{
    QMutexLocker guard(&lock);
    if (count < 1)
        return true;
    QSerialPort port;
    if (!openQuietly(port))
        return false;
    return runFrames(frames().listReads(*entries, count), over(port, Reporting::Quiet), *entries);
}

// The board reads only whole maps: the map goes into an image of this call's
// own, and the caller gets the registers it asked for.
bool KV2270_stm32_API::readRegisterAutoInc(quint8 map, int first, int count, quint8 **values)
{
    QMutexLocker guard(&lock);
    if (!rangeHolds(first, count, mapRegisters))
        return false;
    QSerialPort port;
    quint8 image[mapRegisters] = {};
    if (!openQuietly(port) || !readMap(port, map, image))
        return false;
    std::memcpy(*values, image + first, size_t(count));
    return true;
}

bool KV2270_stm32_API::writeRegister(quint8 map, int reg, quint8 *value)
{
    QMutexLocker guard(&lock);
    QSerialPort port;
    QByteArray reply;
    return inMap(reg) && openQuietly(port)
           && over(port, Reporting::Quiet)(writeFrame(map, reg, *value), reply);
}

// Every (address, value) entry is written to its own register; a list that
// names a register outside the map is refused before anything is sent.
bool KV2270_stm32_API::writeRegisterBlock(quint8 map, int count, quint8 *entries)
{
    QMutexLocker guard(&lock);
    for (int k = 0; k < count; ++k)
        if (!inMap(entries[2 * k]))
            return false;
    if (count < 1)
        return true;
    QSerialPort port;
    if (!openQuietly(port))
        return false;
    const Exchange send = over(port, Reporting::Quiet);
    QByteArray reply;
    for (int k = 0; k < count; ++k)
        if (!send(writeFrame(map, entries[2 * k], entries[2 * k + 1]), reply))
            return false;
    return true;
}

// Registers 0 to 15 of map 0 go in one frame when the range holds them all;
// every other register in its own write frame.
bool KV2270_stm32_API::writeRegisterAutoInc(quint8 map, int first, int count, quint8 *values)
{
    QMutexLocker guard(&lock);
    if (!rangeHolds(first, count, mapRegisters))
        return false;
    QSerialPort port;
    if (!openQuietly(port))
        return false;
    const Exchange send = over(port, Reporting::Quiet);
    QByteArray reply;
    int i = 0;
    if (map == 0 && first == 0 && count >= shortFormRegisters) {
        if (!send(registers0To15Frame(values), reply))
            return false;
        i = shortFormRegisters;
    }
    for (; i < count; ++i)
        if (!send(writeFrame(map, first + i, values[i]), reply))
            return false;
    return true;
}

QByteArray KV2270_stm32_API::frame(const QByteArray &payload) const
{
    return QByteArray(1, char(spiCmd)).append(char(payload.size())).append(payload);
}

QByteArray KV2270_stm32_API::readFrame(quint8 map, int reg) const
{
    const int position = groupPosition(reg);
    if (map == 0 && position < shortFormRegisters)
        return frame(bytes({position * 8, 0}));
    return frame(bytes({reg + longFormOffset, map * 16, 0}));
}

QByteArray KV2270_stm32_API::writeFrame(quint8 map, int reg, quint8 value) const
{
    if (map == 0 && reg < shortFormRegisters)
        return frame(bytes({reg * 8 + 4, value, 0, 0}));
    return frame(bytes({reg + longFormOffset, map * 16 + longWriteCode, value, 0}));
}

// The short-form write from register 0 with the values of registers 0 to 15.
QByteArray KV2270_stm32_API::registers0To15Frame(const quint8 *values) const
{
    return frame(bytes({4})
                 + QByteArray(reinterpret_cast<const char *>(values), shortFormRegisters)
                 + bytes({0, 0}));
}

// Map 0 starts with its registers 0 to 15 in the short form, in order; the
// rest of a map goes in long-form frames of 28 registers, each group of four
// reversed.
QVector<KV2270_stm32_API::MapFrame> KV2270_stm32_API::mapFrames(quint8 map) const
{
    QVector<MapFrame> list;
    int start = 0;
    if (map == 0) {
        list.append({frame(bytes({0}) + QByteArray(shortFormRegisters, '\0')), 0,
                     shortFormRegisters, false, 3});
        start = shortFormRegisters;
    }
    for (; start < mapRegisters; start += valuesPerMapFrame) {
        const int count = qMin(valuesPerMapFrame, mapRegisters - start);
        list.append({frame(bytes({start + longFormOffset, map * 16}) + QByteArray(count, '\0')),
                     start, count, true, 4});
    }
    return list;
}

bool KV2270_stm32_API::readMap(QSerialPort &port, quint8 map, quint8 *image)
{
    const Exchange send = over(port, Reporting::Quiet);
    for (const MapFrame &mapFrame : mapFrames(map)) {
        QByteArray reply;
        if (!send(mapFrame.bytes, reply))
            return false;
        for (int j = 0; j < mapFrame.count; ++j)
            image[mapFrame.first + (mapFrame.grouped ? groupPosition(j) : j)] =
                quint8(reply.at(mapFrame.replyOffset + j));
    }
    return true;
}

bool KV2270_stm32_API::openQuietly(QSerialPort &port)
{
    if (openSerial(&port, deviceName, baud))
        return true;
    failure = Failure::Unreachable;
    return false;
}
