#pragma once
#include <QString>
#include <QtGlobal>

class CCyUSBEndPoint;
class CyDriverHandle;

// One interface descriptor (one alternate setting) with the endpoint
// objects of its endpoint descriptors. Slot 0 is the device's control
// endpoint, which the interface does not own; slots 1 on are its own.
class CCyUSBInterface
{
public:
    static constexpr int MaxEndPoints = 32;

    // From the interface descriptor at `descriptor`, with `available` bytes
    // left in the descriptor block; a USB 3 device's endpoint descriptors are
    // each followed by a SuperSpeed companion.
    CCyUSBInterface(CyDriverHandle *handle, const quint8 *descriptor, int available,
                    bool superSpeed);
    CCyUSBInterface(const CCyUSBInterface &other);
    CCyUSBInterface &operator=(const CCyUSBInterface &) = delete;
    ~CCyUSBInterface();

    // Why the descriptors cannot be used; empty when they can.
    QString problem() const { return fault; }

    CCyUSBEndPoint *EndPoints[MaxEndPoints] = {};
    quint8 bLength = 0;
    quint8 bDescriptorType = 0;
    quint8 bInterfaceNumber = 0;
    quint8 bAlternateSetting = 0;
    quint8 bNumEndpoints = 0;
    quint8 bInterfaceClass = 0;
    quint8 bInterfaceSubClass = 0;
    quint8 bInterfaceProtocol = 0;
    quint8 iInterface = 0;
    // Alternate settings of this interface number in its configuration.
    quint8 bAltSettings = 0;
    // Bytes of descriptors this interface took, its own included.
    quint16 wTotalLength = 0;

private:
    void walkEndpoints(CyDriverHandle *handle, const quint8 *descriptor, int available,
                       bool superSpeed);
    QString fault;
};
