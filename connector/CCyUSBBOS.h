#pragma once
#include <QString>
#include <QtGlobal>
#include <memory>

// The device capabilities of a USB 3 device's BOS descriptor that the tool
// keeps: USB 2.0 extension, SuperSpeed device capability and container ID.
struct CCyBosUSB20Extension
{
    quint8 bLength;
    quint8 bDescriptorType;
    quint8 bDevCapabilityType;
    quint32 bmAttribute;
};

struct CCyBosSuperSpeedCapability
{
    quint8 bLength;
    quint8 bDescriptorType;
    quint8 bDevCapabilityType;
    quint8 bmAttribute;
    quint16 SpeedsSuported;
    quint8 bFunctionalitySupporte;
    quint8 bU1DevExitLat;
    quint16 bU2DevExitLat;
};

struct CCyBosContainerID
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

    std::unique_ptr<CCyBosUSB20Extension> pUSB20_DeviceExt;
    std::unique_ptr<CCyBosSuperSpeedCapability> pSS_DeviceCap;
    std::unique_ptr<CCyBosContainerID> pContainer_ID;
    quint8 bLength = 0;
    quint8 bDescriptorType = 0;
    quint16 wTotalLength = 0;
    quint8 bNumDeviceCaps = 0;

private:
    void take(const quint8 *capability, int length);
    QString fault;
};
