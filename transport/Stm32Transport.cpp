#include "Stm32Transport.h"

#include <QSerialPort>
#include <QSerialPortInfo>
#include <cstring>

#include "DeviceNames.h"

bool Stm32Transport::readRegister(quint8 map, int reg, quint8 *value)
{
    QMutexLocker guard(&lock);
    if (!acceptRequest(map, dialect().readRegisters.hold(reg)))
        return false;
    QSerialPort port;
    if (!openBoardPort(port, baud))
        return false;
    QByteArray reply;
    const Reply outcome = exchange(port, frames().singleRead(reg), reply);
    if (outcome == Reply::Silent && dialect().silentReadValue >= 0)
        *value = quint8(dialect().silentReadValue);
    if (outcome != Reply::Complete)
        return false;
    *value = frames().singleValue(reply);
    return true;
}

bool Stm32Transport::readRegisterBlock(quint8 map, int count, quint8 **entries)
{
    QMutexLocker guard(&lock);
    if (!acceptRequest(map, count >= 1))
        return false;
    QSerialPort port;
    return openBoardPort(port, baud)
           && runFrames(frames().listReads(*entries, count), over(port), *entries);
}

bool Stm32Transport::readRegisterAutoInc(quint8 map, int first, int count, quint8 **values)
{
    QMutexLocker guard(&lock);
    if (!acceptRequest(map, rangeHolds(first, count, dialect().readRangeEnd)))
        return false;
    if (dialect().rangeReadFrame == 0)
        return readRangeAsList(first, count, *values);
    QSerialPort port;
    return openBoardPort(port, baud)
           && runFrames(frames().rangeReads(first, count), over(port), *values);
}

bool Stm32Transport::writeRegister(quint8 map, int reg, quint8 *value)
{
    QMutexLocker guard(&lock);
    if (!acceptRequest(map, dialect().writeRegisters.hold(reg)))
        return false;
    QSerialPort port;
    QByteArray reply;
    return openBoardPort(port, baud)
           && exchange(port, frames().singleWrite(reg, *value), reply) == Reply::Complete;
}

bool Stm32Transport::writeRegisterBlock(quint8 map, int count, quint8 *entries)
{
    QMutexLocker guard(&lock);
    if (!acceptRequest(map, count >= 1))
        return false;
    QSerialPort port;
    return openBoardPort(port, baud)
           && runFrames(frames().listWrites(entries, count, false), over(port));
}

// A port that cannot be opened is reported here as in every operation.
bool Stm32Transport::writeRegisterAutoInc(quint8 map, int first, int count, quint8 *values)
{
    QMutexLocker guard(&lock);
    if (!acceptRequest(map, rangeHolds(first, count, dialect().writeRangeEnd)))
        return false;
    if (dialect().rangeWriteFrame == 0)
        return writeRangeAsList(first, count, values);
    QSerialPort port;
    return openBoardPort(port, baud)
           && runFrames(frames().rangeWrites(first, values, count), over(port));
}

// The caller's bytes go out unchanged; the reply of the same length replaces
// them. A failed exchange leaves the packet as the caller wrote it.
bool Stm32Transport::sendPacket(int length, quint8 **packet)
{
    QMutexLocker guard(&lock);
    if (length < 0)
        return false;
    QSerialPort port;
    QByteArray reply;
    const QByteArray frame(reinterpret_cast<const char *>(*packet), length);
    if (!openBoardPort(port, baud) || exchange(port, frame, reply) != Reply::Complete)
        return false;
    std::memcpy(*packet, reply.constData(), size_t(length));
    return true;
}

QStringList Stm32Transport::deviceList()
{
    QMutexLocker guard(&lock);
    QStringList names;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        if (info.hasVendorIdentifier() && info.vendorIdentifier() == DeviceNames::stm32VendorId)
            names << info.portName();
    return names;
}

canal::Reply Stm32Transport::exchange(QSerialPort &port, const QByteArray &frame,
                                      QByteArray &reply, Reporting reporting)
{
    port.write(frame);
    const Reply outcome = collectReply(port, frame.size(), replyTimeout, reply);
    if (outcome == Reply::Complete)
        return outcome;
    // Noted even when the caller reports nothing, so a silent board is seen.
    failure = outcome == Reply::Silent ? Failure::Silent : Failure::Refused;
    if (reporting == Reporting::Quiet)
        return outcome;
    port.close();
    if (outcome == Reply::Silent)
        report("таймаут", "Error: waitForReadyRead", Failure::Silent);
    else
        report("ошибка длинны ответа", "Error: bytesAvailable");
    return outcome;
}

SpiTransport::Exchange Stm32Transport::over(QSerialPort &port, Reporting reporting)
{
    return [this, &port, reporting](const QByteArray &frame, QByteArray &reply) {
        return exchange(port, frame, reply, reporting) == Reply::Complete;
    };
}
