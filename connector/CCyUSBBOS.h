#pragma once
#include <QString>
#include <QtGlobal>
#include <memory>

// The device capabilities of a USB 3 device's BOS descriptor that the tool
// keeps: USB 2.0 extension, SuperSpeed device capability and container ID.
struct CyUsb20ExtensionCapability
{
    quint8 bLength;
    quint8 bDescriptorType;
    quint8 bDevCapabilityType;
    quint32 bmAttributes;
};

struct CySuperSpeedDeviceCapability
{
    quint8 bLength;
    quint8 bDescriptorType;
    quint8 bDevCapabilityType;
    quint8 bmAttributes;
    quint16 wSpeedsSupported;
    quint8 bFunctionalitySupport;
    quint8 bU1DevExitLat;
    quint16 wU2DevExitLat;
};

struct CyContainerIdCapability
{
    quint8 bLength;
    quint8 bDescriptorType;
    quint8 bDevCapabilityType;
    quint8 bReserved;
    quint8 ContainerID[16];
};

class CCyUSBBOS
{
public:
    // From a whole BOS descriptor block of `size` bytes.
    CCyUSBBOS(const quint8 *descriptor, int size);

    // Why the descriptor cannot be used; empty when it can.
    QString problem() const { return fault; }

    std::unique_ptr<CyUsb20ExtensionCapability> Usb20ExtensionCapability;
    std::unique_ptr<CySuperSpeedDeviceCapability> SuperSpeedDeviceCapability;
    std::unique_ptr<CyContainerIdCapability> ContainerIdCapability;
    quint8 bLength = 0;
    quint8 bDescriptorType = 0;
    quint16 wTotalLength = 0;
    quint8 bNumDeviceCaps = 0;

private:
    void take(const quint8 *capability, int length);
    QString fault;
};
