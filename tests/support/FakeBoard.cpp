#include "FakeBoard.h"

#include <QMutexLocker>

FakeBoard::FakeBoard(int registers)
    : regs(registers, 0),
      provided(ReadRegister | ReadRegisterBlock | ReadRegisterAutoInc | WriteRegister
               | WriteRegisterBlock | WriteRegisterAutoInc | SendPacket)
{
    addrBytes = 1;
    blockSize = 32;
    spiCmd = 0x15;
    readFlag = 0x80;
}

bool FakeBoard::begin(const Call &call)
{
    calls << call;
    if (onCall)
        onCall(call);
    if (silentFromCall > 0 && calls.size() >= silentFromCall) {
        failure = Failure::Silent;
        emit send_message(QStringLiteral("Error: waitForReadyRead"));
        return false;
    }
    if (refused.testFlag(call.op) || calls.size() == failAtCall) {
        failure = Failure::Refused;
        emit send_message(QStringLiteral("Error: transmition fail"));
        return false;
    }
    return true;
}

bool FakeBoard::holds(int first, int count) const
{
    return first >= 0 && count >= 0 && first + count <= regs.size();
}

int FakeBoard::entryRegister(const quint8 *entry) const
{
    int reg = 0;
    for (int k = 0; k < addrBytes; ++k)
        reg = reg * 256 + entry[k];
    return reg;
}

QList<FakeBoard::Call> FakeBoard::callsOf(Operation op) const
{
    QList<Call> found;
    for (const Call &call : calls)
        if (call.op == op)
            found << call;
    return found;
}

bool FakeBoard::readRegister(quint8 map, int reg, quint8 *value)
{
    QMutexLocker locker(&lock);
    if (!begin({ReadRegister, map, reg, 1, {}}) || !holds(reg, 1))
        return false;
    *value = regs[reg];
    return true;
}

bool FakeBoard::readRegisterBlock(quint8 map, int count, quint8 **entries)
{
    QMutexLocker locker(&lock);
    const int stride = addrBytes + 1;
    const QByteArray sent(reinterpret_cast<const char *>(*entries), count * stride);
    if (!begin({ReadRegisterBlock, map, -1, count, sent}))
        return false;
    for (int i = 0; i < count; ++i) {
        quint8 *entry = *entries + i * stride;
        const int reg = entryRegister(entry);
        if (!holds(reg, 1))
            return false;
        entry[addrBytes] = regs[reg];
    }
    return true;
}

bool FakeBoard::readRegisterAutoInc(quint8 map, int first, int count, quint8 **values)
{
    QMutexLocker locker(&lock);
    if (!begin({ReadRegisterAutoInc, map, first, count, {}}) || !holds(first, count))
        return false;
    for (int i = 0; i < count; ++i)
        (*values)[i] = regs[first + i];
    return true;
}

bool FakeBoard::writeRegister(quint8 map, int reg, quint8 *value)
{
    QMutexLocker locker(&lock);
    if (!begin({WriteRegister, map, reg, 1, QByteArray(1, char(*value))}) || !holds(reg, 1))
        return false;
    regs[reg] = *value;
    return true;
}

bool FakeBoard::writeRegisterBlock(quint8 map, int count, quint8 *entries)
{
    QMutexLocker locker(&lock);
    const int stride = addrBytes + 1;
    const QByteArray sent(reinterpret_cast<const char *>(entries), qMax(count, 0) * stride);
    // A real board refuses an empty block.
    if (!begin({WriteRegisterBlock, map, -1, count, sent}) || count <= 0)
        return false;
    for (int i = 0; i < count; ++i) {
        const quint8 *entry = entries + i * stride;
        const int reg = entryRegister(entry);
        if (!holds(reg, 1))
            return false;
        regs[reg] = entry[addrBytes];
    }
    return true;
}

bool FakeBoard::writeRegisterAutoInc(quint8 map, int first, int count, quint8 *values)
{
    QMutexLocker locker(&lock);
    const QByteArray sent(reinterpret_cast<const char *>(values), qMax(count, 0));
    if (!begin({WriteRegisterAutoInc, map, first, count, sent}) || !holds(first, count))
        return false;
    for (int i = 0; i < count; ++i)
        regs[first + i] = values[i];
    return true;
}

bool FakeBoard::sendPacket(int length, quint8 **packet)
{
    QMutexLocker locker(&lock);
    const QByteArray sent(reinterpret_cast<const char *>(*packet), qMax(length, 0));
    if (!begin({SendPacket, 0, -1, length, sent}))
        return false;
    for (int i = 0; i < length; ++i)
        (*packet)[i] = quint8(~(*packet)[i]);
    return true;
}
