#include "AtmelTransport.h"

#include <QDebug>

namespace {
struct FaultReport {
    const char *debugLine;
    const char *text;
};

// Indexed by AtmelTransport::Fault.
const FaultReport faultReports[] = {
    {nullptr, nullptr},
    {"ошибка транзакции", "Error: UsbTransaction"},
    {"ошибка изменения CS", "Error: UsbTransaction (CS)"},
    {"ошибка изменения CS", "Error: UsbTransaction (NCS)"},
    {"превышена длинна посылки", "Error: block size limit overflow"},
};
}

// The value byte is stored only when the read succeeded: a failed read leaves
// the caller's byte as it was.
bool AtmelTransport::readRegister(quint8 map, int reg, quint8 *value)
{
    QMutexLocker guard(&lock);
    return mapExists(map) && readSingle(map, reg, value);
}

bool AtmelTransport::readSingle(quint8 map, int reg, quint8 *value)
{
    if (!registerHeld(dialect().readRegisters, reg))
        return false;
    QByteArray reply;
    const Frames read = [&] { return faultUnless(transfer(readFrame(map, reg), reply)); };
    if (!onBoard([&] { return selected(read, false); }))
        return false;
    *value = frames().singleValue(reply);
    return true;
}

bool AtmelTransport::readRegisterBlock(quint8 map, int count, quint8 **entries)
{
    QMutexLocker guard(&lock);
    if (!mapExists(map) || !countValid(count))
        return false;
    const Frames read = [&] {
        return faultUnless(runFrames(frames().listReads(*entries, count), transfers(), *entries));
    };
    return onBoard([&] { return selected(read, false); });
}

bool AtmelTransport::readRegisterAutoInc(quint8 map, int first, int count, quint8 **values)
{
    QMutexLocker guard(&lock);
    if (!acceptRequest(map, rangeHolds(first, count, dialect().readRangeEnd)))
        return false;
    if (dialect().rangeReadFrame == 0)
        return readRangeAsList(first, count, *values);
    return onBoard([&] {
        return faultUnless(runFrames(frames().rangeReads(first, count), transfers(), *values));
    });
}

bool AtmelTransport::writeRegister(quint8 map, int reg, quint8 *value)
{
    QMutexLocker guard(&lock);
    if (!acceptRequest(map, dialect().writeRegisters.hold(reg)))
        return false;
    QByteArray reply;
    const Frames write = [&] { return faultUnless(transfer(frames().singleWrite(reg, *value), reply)); };
    return onBoard([&] { return selected(write, true); });
}

// Full frames, then always a closing frame with the entries left over (just
// the command and a zero length when none are). The board's status is
// examined for every frame, so a rejected full frame is not missed, and the
// caller's list is only read.
bool AtmelTransport::writeRegisterBlock(quint8 map, int count, quint8 *entries)
{
    QMutexLocker guard(&lock);
    if (!mapExists(map) || !countValid(count))
        return false;
    return onBoard([&] {
        return faultUnless(runFrames(frames().listWrites(entries, count, true), transfers()));
    });
}

bool AtmelTransport::writeRegisterAutoInc(quint8 map, int first, int count, quint8 *values)
{
    QMutexLocker guard(&lock);
    if (!acceptRequest(map, rangeHolds(first, count, dialect().writeRangeEnd)))
        return false;
    if (dialect().rangeWriteFrame == 0)
        return writeRangeAsList(first, count, values);
    return onBoard([&] {
        return faultUnless(runFrames(frames().rangeWrites(first, values, count), transfers()));
    });
}

// The reply replaces the packet, even when its status reports a failure.
bool AtmelTransport::sendPacket(int length, quint8 **packet)
{
    QMutexLocker guard(&lock);
    if (length < 0)
        return false;
    return onBoard([&] {
        if (length > blockSize)
            return Fault::PacketTooLong;
        quint8 *bytes = *packet;
        if (usbTransaction(bytes, bytes, length) != length) {
            unanswered = true;
            return Fault::Transaction;
        }
        return faultUnless(length == 0 || bytes[0] == 0);
    });
}

QStringList AtmelTransport::deviceList()
{
    QMutexLocker guard(&lock);
    QStringList atmelBoards, usb3Boards;
    listUsbBoards(atmelBoards, usb3Boards);
    return atmelBoards;
}

// openUsb reports why it failed; only the debug log hears of it here.
bool AtmelTransport::onBoard(const Frames &frames)
{
    if (!openUsb()) {
        qDebug().noquote() << QStringLiteral("устройство недоступно");
        return false;
    }
    unanswered = false;
    const Fault fault = frames();
    closeUsb();
    if (fault == Fault::None)
        return true;
    const FaultReport &faultReport = faultReports[int(fault)];
    report(faultReport.debugLine, faultReport.text,
           unanswered ? Failure::Silent : Failure::Refused);
    return false;
}

// A transfer that does not move the whole frame both ways fails the frame
// like a non-zero status: a reply that never came must not pass for a value
// of 0.
bool AtmelTransport::transfer(const QByteArray &frame, QByteArray &reply)
{
    QByteArray out = frame;
    reply = QByteArray(frame.size(), '\0');
    const int moved = usbTransaction(reinterpret_cast<quint8 *>(out.data()),
                                     reinterpret_cast<quint8 *>(reply.data()), frame.size());
    if (moved != frame.size()) {
        unanswered = true;
        return false;
    }
    return reply.at(0) == 0;
}

AtmelTransport::Fault AtmelTransport::selected(const Frames &frames, bool examineSelect)
{
    if (!dialect().chipSelectFrames)
        return frames();
    const bool asserted = selectChip(csAssertCmd);
    Fault fault = asserted || !examineSelect ? frames() : Fault::ChipSelect;
    const bool released = selectChip(csReleaseCmd);
    if (fault == Fault::None && examineSelect && !released)
        fault = Fault::ChipRelease;
    return fault;
}

// A chip-select frame is its command byte alone, answered by a status byte.
bool AtmelTransport::selectChip(quint8 command)
{
    QByteArray reply;
    return transfer(QByteArray(1, char(command)), reply);
}

SpiTransport::Exchange AtmelTransport::transfers()
{
    return [this](const QByteArray &frame, QByteArray &reply) { return transfer(frame, reply); };
}

QByteArray AtmelTransport::readFrame(quint8, int reg) const
{
    return frames().singleRead(reg);
}

bool AtmelTransport::registerHeld(const SpiDialect::Registers &registers, int reg)
{
    if (registers.hold(reg))
        return true;
    report("ошибка адресации регистров", "Error: Register does not exist");
    return false;
}

bool AtmelTransport::countValid(int count)
{
    if (count >= 1)
        return true;
    report("ошибка количества регистров", "Error: Registernumber incorrect");
    return false;
}

