#include "KV2260_atmel_API.h"

#include <QDebug>

namespace {
// Highest first + count that an auto-increment operation accepts.
const int autoIncLimit = 290;
}

KV2260_atmel_API::KV2260_atmel_API()
{
    useKv2260Frames(0);
}

canal::Operations KV2260_atmel_API::provides() const
{
    return allOperations();
}

// Any register number goes out as its low eight bits.
bool KV2260_atmel_API::readRegister(quint8 map, int reg, quint8 *value)
{
    QMutexLocker guard(&lock);
    if (!mapExists(map) || !connectBoard())
        return false;
    QByteArray reply;
    if (!exchange(SpiFrames(*this).singleRead(reg), reply))
        return false;
    closeUsb();
    *value = SpiFrames::singleValue(reply);
    return true;
}

bool KV2260_atmel_API::readRegisterBlock(quint8 map, int count, quint8 **entries)
{
    QMutexLocker guard(&lock);
    if (!mapExists(map))
        return false;
    if (count < 1) {
        report("ошибка количества регистров", "Error: Registernumber incorrect");
        return false;
    }
    if (!connectBoard())
        return false;
    quint8 *list = *entries;
    for (const SpiFrames::Frame &frame : SpiFrames(*this).listReads(list, count)) {
        QByteArray reply;
        if (!exchange(frame.bytes, reply))
            return false;
        for (int k = 0; k < frame.count; ++k)
            list[2 * (frame.first + k) + 1] = SpiFrames::entryValue(reply, k);
    }
    closeUsb();
    return true;
}

bool KV2260_atmel_API::readRegisterAutoInc(quint8 map, int first, int count, quint8 **values)
{
    QMutexLocker guard(&lock);
    if (!mapExists(map))
        return false;
    if (first < 0 || count < 1 || qint64(first) + count > autoIncLimit)
        return rangeError();
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

bool KV2260_atmel_API::writeRegister(quint8 map, int reg, quint8 *value)
{
    QMutexLocker guard(&lock);
    if (!mapExists(map))
        return false;
    if (reg < 0)
        return rangeError();
    if (!connectBoard())
        return false;
    QByteArray reply;
    if (!exchange(SpiFrames(*this).singleWrite(reg, *value), reply))
        return false;
    closeUsb();
    return true;
}

// Full frames of 15 entries, then always a closing frame with the entries
// left over (just 0x15 0x00 when none are). The board's status is examined
// for every frame, so a rejected full frame is not missed.
bool KV2260_atmel_API::writeRegisterBlock(quint8 map, int count, quint8 *entries)
{
    QMutexLocker guard(&lock);
    if (!mapExists(map))
        return false;
    if (count < 1) {
        report("ошибка количества регистров", "Error: Registernumber incorrect");
        return false;
    }
    return connectBoard() && writeFrames(SpiFrames(*this).listWrites(entries, count, true));
}

// Range frames are filled up to blockSize: 29 values each.
bool KV2260_atmel_API::writeRegisterAutoInc(quint8 map, int first, int count, quint8 *values)
{
    QMutexLocker guard(&lock);
    if (!mapExists(map))
        return false;
    if (first < 0 || count < 1 || qint64(first) + count > autoIncLimit)
        return rangeError();
    return connectBoard()
           && writeFrames(SpiFrames(*this).rangeWrites(first, values, count, blockSize));
}

// The reply replaces the packet, even when its status reports a failure.
bool KV2260_atmel_API::sendPacket(int length, quint8 **packet)
{
    QMutexLocker guard(&lock);
    if (length < 0 || !connectBoard())
        return false;
    if (length > blockSize) {
        closeUsb();
        report("превышена длинна посылки", "Error: block size limit overflow");
        return false;
    }
    quint8 *bytes = *packet;
    if (usbTransaction(bytes, bytes, length) != length)
        return transactionFailed(Failure::Silent);
    if (length > 0 && bytes[0] != 0)
        return transactionFailed();
    closeUsb();
    return true;
}

QStringList KV2260_atmel_API::deviceList()
{
    QMutexLocker guard(&lock);
    QStringList atmelBoards, usb3Boards;
    listUsbBoards(atmelBoards, usb3Boards);
    return atmelBoards;
}

bool KV2260_atmel_API::connectBoard()
{
    if (openUsb())
        return true;
    qDebug().noquote() << QStringLiteral("устройство недоступно");
    return false;
}

// One frame out and its reply of the same length in. A transfer that does not
// move the whole frame both ways fails the frame like a non-zero status: a
// reply that never came must not pass for a value of 0.
bool KV2260_atmel_API::exchange(const QByteArray &frame, QByteArray &reply)
{
    QByteArray out = frame;
    reply = QByteArray(frame.size(), '\0');
    const int moved = usbTransaction(reinterpret_cast<quint8 *>(out.data()),
                                     reinterpret_cast<quint8 *>(reply.data()), frame.size());
    if (moved != frame.size())
        return transactionFailed(Failure::Silent);
    if (reply.at(0) != 0)
        return transactionFailed();
    return true;
}

bool KV2260_atmel_API::writeFrames(const QVector<SpiFrames::Frame> &frames)
{
    for (const SpiFrames::Frame &frame : frames) {
        QByteArray reply;
        if (!exchange(frame.bytes, reply))
            return false;
    }
    closeUsb();
    return true;
}

// Ends the connection, then reports the failed frame as `kind`.
bool KV2260_atmel_API::transactionFailed(Failure kind)
{
    closeUsb();
    report("ошибка транзакции", "Error: UsbTransaction", kind);
    return false;
}

bool KV2260_atmel_API::rangeError()
{
    report("ошибка адресации регистров", "Error: Register does not exist");
    return false;
}
