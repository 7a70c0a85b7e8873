#include "KV2260_USB3_API.h"

namespace {
// Highest first + count that an auto-increment operation accepts.
const int autoIncLimit = 290;
}

KV2260_USB3_API::KV2260_USB3_API()
{
    addrBytes = 1;
    interfaceKind = 3;
}

// Raw packets are not part of this board's protocol.
canal::Operations KV2260_USB3_API::provides() const
{
    return allOperations() & ~Operations(SendPacket);
}

bool KV2260_USB3_API::connectBoard()
{
    if (connector.open(deviceName.toLatin1().constData()) == 0)
        return true;
    connector.close();
    report("ошибка подключения", "Error: Can not connect", Failure::Unreachable);
    return false;
}

canal::Failure KV2260_USB3_API::requestFailure() const
{
    return connector.lastRequestUnanswered() ? Failure::Silent : Failure::Refused;
}

// A failed read leaves its own value and every later one untouched; the
// values read before it stay.
bool KV2260_USB3_API::readAll(const QVector<Access> &registers)
{
    if (!connectBoard())
        return false;
    for (const Access &access : registers) {
        int value = access.sent;
        if (connector.readRegister(access.address, &value) != 0) {
            const Failure kind = requestFailure();
            connector.close();
            report("ошибка отправки", "Error: transmition fail", kind);
            return false;
        }
        *access.value = quint8(value);
    }
    connector.close();
    return true;
}

bool KV2260_USB3_API::writeAll(const QVector<Access> &registers)
{
    if (!connectBoard())
        return false;
    for (const Access &access : registers) {
        if (connector.writeRegister(access.address, *access.value) != 0) {
            const Failure kind = requestFailure();
            connector.close();
            report("ошибка записи", "Error: writting fail", kind);
            return false;
        }
    }
    connector.close();
    return true;
}

// Entries of {address, value}; a read sends the entry's value byte along.
QVector<KV2260_USB3_API::Access> KV2260_USB3_API::entryAccesses(quint8 *entries, int count)
{
    QVector<Access> registers;
    for (int i = 0; i < count; ++i)
        registers.append({entries[2 * i], &entries[2 * i + 1], entries[2 * i + 1]});
    return registers;
}

// Register first + i with element i of the array; a read sends 0.
QVector<KV2260_USB3_API::Access> KV2260_USB3_API::rangeAccesses(int first, int count, quint8 *values)
{
    QVector<Access> registers;
    for (int i = 0; i < count; ++i)
        registers.append({first + i, &values[i], 0});
    return registers;
}

bool KV2260_USB3_API::countAccepted(int count)
{
    if (count >= 1)
        return true;
    report("ошибка количества регистров", "Error: Registernumber incorrect");
    return false;
}

bool KV2260_USB3_API::rangeAccepted(int first, int count)
{
    return count >= 1 && first >= 0 && qint64(first) + count <= autoIncLimit;
}

// The value byte goes in as the request's wValue and is replaced by the
// register's value.
bool KV2260_USB3_API::readRegister(quint8 map, int reg, quint8 *value)
{
    QMutexLocker guard(&lock);
    return acceptRequest(map, reg >= 0) && readAll({{reg, value, *value}});
}

bool KV2260_USB3_API::readRegisterBlock(quint8 map, int count, quint8 **entries)
{
    QMutexLocker guard(&lock);
    if (!mapExists(map) || !countAccepted(count))
        return false;
    return readAll(entryAccesses(*entries, count));
}

// Values land at element i of the caller's array, as with every transport.
bool KV2260_USB3_API::readRegisterAutoInc(quint8 map, int first, int count, quint8 **values)
{
    QMutexLocker guard(&lock);
    if (!acceptRequest(map, rangeAccepted(first, count)))
        return false;
    return readAll(rangeAccesses(first, count, *values));
}

bool KV2260_USB3_API::writeRegister(quint8 map, int reg, quint8 *value)
{
    QMutexLocker guard(&lock);
    return acceptRequest(map, reg >= 0) && writeAll({{reg, value, 0}});
}

bool KV2260_USB3_API::writeRegisterBlock(quint8 map, int count, quint8 *entries)
{
    QMutexLocker guard(&lock);
    if (!mapExists(map) || !countAccepted(count))
        return false;
    return writeAll(entryAccesses(entries, count));
}

bool KV2260_USB3_API::writeRegisterAutoInc(quint8 map, int first, int count, quint8 *values)
{
    QMutexLocker guard(&lock);
    if (!acceptRequest(map, rangeAccepted(first, count)))
        return false;
    return writeAll(rangeAccesses(first, count, values));
}

// The board has no raw packet exchange; no device is opened for the attempt.
bool KV2260_USB3_API::sendPacket(int, quint8 **)
{
    return false;
}

QStringList KV2260_USB3_API::deviceList()
{
    QMutexLocker guard(&lock);
    return connector.boardNames().split(QLatin1Char('|'), Qt::SkipEmptyParts);
}
