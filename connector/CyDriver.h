#pragma once
#include <QString>
#include <QUuid>
#include <QVector>

#include "CyDriverHandle.h"

// The device driver the USB3 classes talk to: it lists the devices of its
// class, opens one by its device path and carries out I/O control requests
// on it. Requests are the driver's control codes (CyIoctl), most of them on
// the 38-byte request record (CyRequestRecord). The classes above know only this
// interface; the one implementation over libusb is LibusbCyDriver.

class CyDriver
{
public:
    // A present device of the driver's class, as enumeration gives it: no
    // device is opened to learn these.
    struct Device
    {
        QString path;
        quint16 vendorId = 0;
        quint16 productId = 0;
    };

    virtual ~CyDriver();

    // The driver the USB3 classes use unless they are given another.
    static CyDriver &instance();

    // The device interface class of the driver's devices.
    static QUuid interfaceClass();

    // The present devices of `deviceClass`; none for a class the driver
    // does not serve.
    virtual QVector<Device> devices(const QUuid &deviceClass) = 0;
    // Null when the device cannot be opened; lastError() tells why.
    virtual CyDriverHandle *open(const QString &path) = 0;
    virtual quint32 lastError() const = 0;
};
