#pragma once
#include "canal.h"

// CRC-16/CCITT-FALSE (polynomial 0x1021, initial value 0xFFFF, no reflection,
// no final XOR) of `length` bytes; 0xFFFF for none. Closes every frame of the
// "fmc" board, high byte first.
quint16 crc16Ccitt(const quint8 *data, int length);

// Transport of the "fmc" evaluation board on a serial port at 115200 baud.
// Every register travels in its own request (0x55, command, address[, value],
// CRC), answered by four bytes (0xAA, data, CRC). Each operation opens the
// port, runs its exchanges and closes the port again.
class KV2260_fmc_API : public canal
{
    Q_OBJECT
public:
    KV2260_fmc_API();

    Operations provides() const override;

    bool readRegister(quint8 map, int reg, quint8 *value) override;
    bool readRegisterBlock(quint8 map, int count, quint8 **entries) override;
    bool readRegisterAutoInc(quint8 map, int first, int count, quint8 **values) override;
    bool writeRegister(quint8 map, int reg, quint8 *value) override;
    bool writeRegisterBlock(quint8 map, int count, quint8 *entries) override;
    bool writeRegisterAutoInc(quint8 map, int first, int count, quint8 *values) override;
    bool sendPacket(int length, quint8 **packet) override;
    QStringList deviceList() override;

    // Longest wait, in ms, for a request to leave and for each piece of a
    // reply to arrive.
    int byteWait = 100;

private:
    enum class Outcome { Done, WriteFailed, TimedOut, BadReply, BadCrc };

    bool readFrom(QSerialPort &port, int reg, quint8 *value);
    bool writeTo(QSerialPort &port, int reg, quint8 value);
    Outcome exchange(QSerialPort &port, QByteArray request, quint8 &data);
};
