#pragma once
#include "SpiTransport.h"

// The STM32 evaluation board, a USB virtual serial port: every frame is
// answered by a reply of the frame's length, with no status in it. Each
// operation opens the port, runs its frames and closes the port again; a
// failed frame ends the operation, the frames before it done.
class Stm32Transport : public SpiTransport
{
    Q_OBJECT
public:
    bool readRegister(quint8 map, int reg, quint8 *value) override;
    bool readRegisterBlock(quint8 map, int count, quint8 **entries) override;
    bool readRegisterAutoInc(quint8 map, int first, int count, quint8 **values) override;
    bool writeRegister(quint8 map, int reg, quint8 *value) override;
    bool writeRegisterBlock(quint8 map, int count, quint8 *entries) override;
    bool writeRegisterAutoInc(quint8 map, int first, int count, quint8 *values) override;
    bool sendPacket(int length, quint8 **packet) override;
    // The serial ports of STM32 boards (USB vendor 0x0483).
    QStringList deviceList() override;

protected:
    // Whether a failed exchange is reported or only returned.
    enum class Reporting { Loud, Quiet };

    // Writes the frame and collects a reply of the frame's length. A loud
    // failure closes the port before it is reported.
    Reply exchange(QSerialPort &port, const QByteArray &frame, QByteArray &reply,
                   Reporting reporting = Reporting::Loud);
    Exchange over(QSerialPort &port, Reporting reporting = Reporting::Loud);
};
