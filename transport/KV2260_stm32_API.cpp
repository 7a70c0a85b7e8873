#include "KV2260_stm32_API.h"

#include <QDebug>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <cstring>

#include "SpiFrames.h"

namespace {
const quint16 stm32Vid = 0x0483;
// Highest first + count that an auto-increment read accepts.
const int autoIncReadLimit = 290;
}

KV2260_stm32_API::KV2260_stm32_API()
{
    useKv2260Frames(2);
}

canal::Operations KV2260_stm32_API::provides() const
{
    return allOperations();
}

bool KV2260_stm32_API::readRegister(quint8 map, int reg, quint8 *value)
{
    QMutexLocker guard(&lock);
    if (!acceptRequest(map, reg >= 0))
        return false;
    QSerialPort port;
    QByteArray reply;
    if (!openBoardPort(port, baud) || !exchange(port, SpiFrames(*this).singleRead(reg), reply))
        return false;
    *value = SpiFrames::singleValue(reply);
    return true;
}

bool KV2260_stm32_API::readRegisterBlock(quint8 map, int count, quint8 **entries)
{
    QMutexLocker guard(&lock);
    if (!acceptRequest(map, count >= 1))
        return false;
    QSerialPort port;
    if (!openBoardPort(port, baud))
        return false;
    quint8 *list = *entries;
    for (const SpiFrames::Frame &frame : SpiFrames(*this).listReads(list, count)) {
        QByteArray reply;
        if (!exchange(port, frame.bytes, reply))
            return false;
        for (int k = 0; k < frame.count; ++k)
            list[2 * (frame.first + k) + 1] = SpiFrames::entryValue(reply, k);
    }
    return true;
}

bool KV2260_stm32_API::readRegisterAutoInc(quint8 map, int first, int count, quint8 **values)
{
    QMutexLocker guard(&lock);
    if (!acceptRequest(map, first >= 0 && count >= 1
                                   && qint64(first) + count <= autoIncReadLimit))
        return false;
    QByteArray list(2 * count, '\0');
    for (int i = 0; i < count; ++i)
        list[2 * i] = char(quint8(first + i));
    quint8 *entries = reinterpret_cast<quint8 *>(list.data());
    if (!readRegisterBlock(0, count, &entries))
        return false;
    for (int i = 0; i < count; ++i)
        (*values)[i] = entries[2 * i + 1];
    return true;
}

bool KV2260_stm32_API::writeRegister(quint8 map, int reg, quint8 *value)
{
    QMutexLocker guard(&lock);
    if (!acceptRequest(map, reg >= 0))
        return false;
    QSerialPort port;
    QByteArray reply;
    return openBoardPort(port, baud) && exchange(port, SpiFrames(*this).singleWrite(reg, *value), reply);
}

bool KV2260_stm32_API::writeRegisterBlock(quint8 map, int count, quint8 *entries)
{
    QMutexLocker guard(&lock);
    if (!acceptRequest(map, count >= 1))
        return false;
    QSerialPort port;
    if (!openBoardPort(port, baud))
        return false;
    for (const SpiFrames::Frame &frame : SpiFrames(*this).listWrites(entries, count, false)) {
        QByteArray reply;
        if (!exchange(port, frame.bytes, reply))
            return false;
    }
    return true;
}

// Range frames stay below blockSize - 3 bytes: 26 values each.
bool KV2260_stm32_API::writeRegisterAutoInc(quint8 map, int first, int count, quint8 *values)
{
    QMutexLocker guard(&lock);
    if (!acceptRequest(map, first >= 0 && count >= 1))
        return false;
    QSerialPort port;
    if (!openBoardPort(port, baud))
        return false;
    const SpiFrames frames(*this);
    for (const SpiFrames::Frame &frame : frames.rangeWrites(first, values, count, blockSize - 3)) {
        QByteArray reply;
        if (!exchange(port, frame.bytes, reply))
            return false;
    }
    return true;
}

// The caller's bytes go out unchanged; the reply of the same length replaces
// them. A failed exchange leaves the packet as the caller wrote it.
bool KV2260_stm32_API::sendPacket(int length, quint8 **packet)
{
    QMutexLocker guard(&lock);
    if (length < 0)
        return false;
    QSerialPort port;
    QByteArray reply;
    const QByteArray frame(reinterpret_cast<const char *>(*packet), length);
    if (!openBoardPort(port, baud) || !exchange(port, frame, reply))
        return false;
    std::memcpy(*packet, reply.constData(), size_t(length));
    return true;
}

QStringList KV2260_stm32_API::deviceList()
{
    QMutexLocker guard(&lock);
    QStringList names;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        if (info.hasVendorIdentifier() && info.vendorIdentifier() == stm32Vid)
            names << info.portName();
    return names;
}

// Writes the frame and collects a reply of the frame's length. On a failure
// the port is closed before the failure is reported.
bool KV2260_stm32_API::exchange(QSerialPort &port, const QByteArray &frame, QByteArray &reply)
{
    port.write(frame);
    switch (collectReply(port, frame.size(), replyTimeout, reply)) {
    case Reply::Complete:
        return true;
    case Reply::Silent:
        port.close();
        report("таймаут", "Error: waitForReadyRead", Failure::Silent);
        return false;
    case Reply::WrongLength:
        port.close();
        report("ошибка длинны ответа", "Error: bytesAvailable");
        return false;
    }
    return false;
}

