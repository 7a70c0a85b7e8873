#pragma once
#include "SpiFrames.h"
#include "canal.h"

// Transport of the Atmel evaluation board over libusb bulk transfers. It
// sends the STM32 board's frames; byte 0 of every reply is a status, 0 for
// success. Each operation opens its own connection and closes it again.
class KV2260_atmel_API : public canal
{
    Q_OBJECT
public:
    KV2260_atmel_API();

    Operations provides() const override;

    bool readRegister(quint8 map, int reg, quint8 *value) override;
    bool readRegisterBlock(quint8 map, int count, quint8 **entries) override;
    bool readRegisterAutoInc(quint8 map, int first, int count, quint8 **values) override;
    bool writeRegister(quint8 map, int reg, quint8 *value) override;
    bool writeRegisterBlock(quint8 map, int count, quint8 *entries) override;
    bool writeRegisterAutoInc(quint8 map, int first, int count, quint8 *values) override;
    bool sendPacket(int length, quint8 **packet) override;
    QStringList deviceList() override;

private:
    bool connectBoard();
    bool exchange(const QByteArray &frame, QByteArray &reply);
    bool writeFrames(const QVector<SpiFrames::Frame> &frames);
    bool transactionFailed(Failure kind = Failure::Refused);
    bool rangeError();
};
