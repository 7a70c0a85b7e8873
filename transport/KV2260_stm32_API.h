#pragma once
#include "canal.h"

class SpiFrames;

// Transport of the STM32 evaluation board, a USB virtual serial port at
// 460800 baud. Every frame is answered by a reply of the frame's length; each
// operation opens the port, runs its frames and closes the port again.
class KV2260_stm32_API : public canal
{
    Q_OBJECT
public:
    KV2260_stm32_API();

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
    bool exchange(QSerialPort &port, const QByteArray &frame, QByteArray &reply);
};
