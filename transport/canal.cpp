#include "canal.h"

canal::canal() = default;

canal::~canal() = default;

bool canal::readRegister(quint8, int, quint8 *)
{
    return false;
}

bool canal::readRegisterBlock(quint8, int, quint8 **)
{
    return false;
}

bool canal::readRegisterAutoInc(quint8, int, int, quint8 **)
{
    return false;
}

bool canal::writeRegister(quint8, int, quint8 *)
{
    return false;
}

bool canal::writeRegisterBlock(quint8, int, quint8 *)
{
    return false;
}

bool canal::writeRegisterAutoInc(quint8, int, int, quint8 *)
{
    return false;
}

bool canal::sendPacket(int, quint8 **)
{
    return false;
}

QStringList canal::deviceList()
{
    // Filled in with the board listing.
    return {};
}

bool canal::openSerial(QSerialPort *, QString, int)
{
    return false;
}

quint8 canal::reverseBits(quint8 b)
{
    quint8 result = 0;
    for (int k = 0; k < 8; ++k)
        if (b & (1u << k))
            result |= quint8(0x80u >> k);
    return result;
}

bool canal::openUsb()
{
    return false;
}

void canal::closeUsb()
{
}

int canal::usbWrite(quint8 *, int)
{
    return 0;
}

int canal::usbRead(quint8 *, int)
{
    return 0;
}

int canal::usbTransaction(quint8 *, quint8 *, int)
{
    return 0;
}
