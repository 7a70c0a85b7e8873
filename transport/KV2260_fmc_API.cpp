#include "KV2260_fmc_API.h"

#include <QSerialPort>
#include <QSerialPortInfo>
#include <cstring>

namespace {
const int fmcBaud = 115200;
const char requestLead = char(0x55);
const char replyLead = char(0xAA);
const char readCommand = 0x02;
const char writeCommand = 0x01;
const int replyLength = 4;
}

quint16 crc16Ccitt(const quint8 *data, int length)
{
    quint16 crc = 0xFFFF;
    for (int i = 0; i < length; ++i) {
        crc ^= quint16(data[i]) << 8;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x8000) ? quint16((crc << 1) ^ 0x1021) : quint16(crc << 1);
    }
    return crc;
}

KV2260_fmc_API::KV2260_fmc_API()
{
    useKv2260Frames(1);
}

canal::Operations KV2260_fmc_API::provides() const
{
    return allOperations();
}

bool KV2260_fmc_API::readRegister(quint8 map, int reg, quint8 *value)
{
    QMutexLocker guard(&lock);
    if (!acceptRequest(map, reg >= 0))
        return false;
    QSerialPort port;
    return openBoardPort(port, fmcBaud) && readFrom(port, reg, value);
}

bool KV2260_fmc_API::readRegisterBlock(quint8 map, int count, quint8 **entries)
{
    QMutexLocker guard(&lock);
    if (!acceptRequest(map, count >= 1))
        return false;
    QSerialPort port;
    if (!openBoardPort(port, fmcBaud))
        return false;
    quint8 *list = *entries;
    for (int i = 0; i < count; ++i)
        if (!readFrom(port, list[2 * i], &list[2 * i + 1]))
            return false;
    return true;
}

bool KV2260_fmc_API::readRegisterAutoInc(quint8 map, int first, int count, quint8 **values)
{
    QMutexLocker guard(&lock);
    if (!acceptRequest(map, count >= 1 && first >= 0))
        return false;
    QSerialPort port;
    if (!openBoardPort(port, fmcBaud))
        return false;
    for (int i = 0; i < count; ++i)
        if (!readFrom(port, first + i, &(*values)[i]))
            return false;
    return true;
}

bool KV2260_fmc_API::writeRegister(quint8 map, int reg, quint8 *value)
{
    QMutexLocker guard(&lock);
    if (!acceptRequest(map, reg >= 0))
        return false;
    QSerialPort port;
    return openBoardPort(port, fmcBaud) && writeTo(port, reg, *value);
}

bool KV2260_fmc_API::writeRegisterBlock(quint8 map, int count, quint8 *entries)
{
    QMutexLocker guard(&lock);
    if (!acceptRequest(map, count >= 1))
        return false;
    QSerialPort port;
    if (!openBoardPort(port, fmcBaud))
        return false;
    for (int i = 0; i < count; ++i)
        if (!writeTo(port, entries[2 * i], entries[2 * i + 1]))
            return false;
    return true;
}

bool KV2260_fmc_API::writeRegisterAutoInc(quint8 map, int first, int count, quint8 *values)
{
    QMutexLocker guard(&lock);
    if (!acceptRequest(map, count >= 1 && first >= 0))
        return false;
    QSerialPort port;
    if (!openBoardPort(port, fmcBaud))
        return false;
    for (int i = 0; i < count; ++i)
        if (!writeTo(port, first + i, values[i]))
            return false;
    return true;
}

// The caller supplies the whole frame, CRC included; the reply of the same
// length replaces it. A failed exchange leaves the packet as it was.
bool KV2260_fmc_API::sendPacket(int length, quint8 **packet)
{
    QMutexLocker guard(&lock);
    if (length < 0)
        return false;
    QSerialPort port;
    if (!openBoardPort(port, fmcBaud))
        return false;
    port.write(reinterpret_cast<const char *>(*packet), length);
    QByteArray reply;
    switch (collectReply(port, length, replyTimeout, reply)) {
    case Reply::Complete:
        std::memcpy(*packet, reply.constData(), size_t(length));
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

QStringList KV2260_fmc_API::deviceList()
{
    QMutexLocker guard(&lock);
    QStringList names;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        names << info.portName();
    return names;
}

// A failed read leaves 0xFF in the value unless the board merely stayed
// silent, which leaves the value as it was.
bool KV2260_fmc_API::readFrom(QSerialPort &port, int reg, quint8 *value)
{
    const QByteArray request = QByteArray(1, requestLead).append(readCommand).append(char(reg));
    quint8 data = 0;
    const Outcome outcome = exchange(port, request, data);
    if (outcome == Outcome::Done)
        *value = data;
    else if (outcome != Outcome::TimedOut)
        *value = 0xFF;
    return outcome == Outcome::Done;
}

bool KV2260_fmc_API::writeTo(QSerialPort &port, int reg, quint8 value)
{
    const QByteArray request =
        QByteArray(1, requestLead).append(writeCommand).append(char(reg)).append(char(value));
    quint8 data = 0;
    return exchange(port, request, data) == Outcome::Done;
}

// Sends the request with its CRC appended and collects the four-byte reply,
// allowing each piece of it byteWait ms. Stray bytes from before the request
// are dropped first.
KV2260_fmc_API::Outcome KV2260_fmc_API::exchange(QSerialPort &port, QByteArray request,
                                                 quint8 &data)
{
    const quint16 crc =
        crc16Ccitt(reinterpret_cast<const quint8 *>(request.constData()), request.size());
    request.append(char(crc >> 8)).append(char(crc & 0xFF));
    port.clear(QSerialPort::AllDirections);
    // The register operations report nothing of their own; the kind of
    // failure is still noted, so a caller can tell a silent board.
    if (port.write(request) != request.size() || !port.waitForBytesWritten(byteWait)) {
        failure = Failure::Silent;
        return Outcome::WriteFailed;
    }
    quint8 reply[replyLength];
    int received = 0;
    while (received < replyLength) {
        if (port.bytesAvailable() == 0 && !port.waitForReadyRead(byteWait)) {
            failure = Failure::Silent;
            return Outcome::TimedOut;
        }
        const qint64 got =
            port.read(reinterpret_cast<char *>(reply) + received, replyLength - received);
        if (got < 0) {
            failure = Failure::Silent;
            return Outcome::BadReply;
        }
        received += int(got);
    }
    if (reply[0] != quint8(replyLead)) {
        failure = Failure::Refused;
        return Outcome::BadReply;
    }
    if (crc16Ccitt(reply, 2) != quint16(reply[2] << 8 | reply[3])) {
        failure = Failure::Refused;
        return Outcome::BadCrc;
    }
    data = reply[1];
    return Outcome::Done;
}

