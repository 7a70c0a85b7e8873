#pragma once
#include <QList>
#include <QString>

// What a device name of the device list stands for: which board, and for a
// serial port, which port the system lists under it.
class DeviceNames
{
public:
    enum Board { Stm32Board, FmcBoard, Usb3Board, AtmelBoard };
    // USB vendor of the STM32 board's serial port.
    static constexpr quint16 stm32VendorId = 0x0483;

    // A serial port as the system lists it.
    struct Port
    {
        QString name;      // "ttyACM0"
        QString location;  // "/dev/ttyACM0"
        quint16 vendor = 0;
    };

    static QList<Port> serialPorts();

    // The listed port a name stands for: its port name, its path, or a
    // link to that path (such as /dev/serial/by-id/...); null for none.
    static const Port *findPort(const QString &name, const QList<Port> &ports);
    // A path is a serial port even when unlisted (pseudo-terminals are
    // never listed); any other name only when a listed port bears it. A
    // serial port of the STM32 vendor is the STM32 board, any other the
    // "fmc" board; "USB#" names are USB3 boards; the rest are Atmel boards.
    static Board boardOf(const QString &name, const QList<Port> &ports);
};
