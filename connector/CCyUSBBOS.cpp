#include "CCyUSBBOS.h"

#include <cstring>

namespace {
const int headerLength = 5;
const quint8 capabilityType = 0x10;
const quint8 usb20Extension = 2;
const quint8 superSpeedCapability = 3;
const quint8 containerId = 4;
}

// Walks bNumDeviceCaps capabilities within the block; one without length,
// past the block or too short for its kind makes the descriptor unusable.
CCyUSBBOS::CCyUSBBOS(const quint8 *descriptor, int size)
{
    if (size < headerLength || descriptor[0] < headerLength) {
        fault = QStringLiteral("BOS descriptor of %1 bytes").arg(size);
        return;
    }
    bLength = descriptor[0];
    bDescriptorType = descriptor[1];
    wTotalLength = quint16(descriptor[2] | descriptor[3] << 8);
    bNumDeviceCaps = descriptor[4];
    const int block = qMin<int>(wTotalLength, size);
    int at = bLength;
    for (int i = 0; i < bNumDeviceCaps && fault.isEmpty(); ++i) {
        const int length = at + 3 <= block ? descriptor[at] : 0;
        if (length < 3 || at + length > block || descriptor[at + 1] != capabilityType) {
            fault = QStringLiteral("device capability %1 at byte %2 of %3").arg(i).arg(at).arg(block);
            break;
        }
        take(descriptor + at, length);
        at += length;
    }
}

void CCyUSBBOS::take(const quint8 *capability, int length)
{
    const quint8 kind = capability[2];
    if (kind == usb20Extension && length >= 7) {
        Usb20ExtensionCapability.reset(new CyUsb20ExtensionCapability{
            capability[0], capability[1], kind,
            quint32(capability[3] | capability[4] << 8 | capability[5] << 16 | quint32(capability[6]) << 24)});
    } else if (kind == superSpeedCapability && length >= 10) {
        SuperSpeedDeviceCapability.reset(new CySuperSpeedDeviceCapability{
            capability[0], capability[1], kind, capability[3],
            quint16(capability[4] | capability[5] << 8), capability[6], capability[7],
            quint16(capability[8] | capability[9] << 8)});
    } else if (kind == containerId && length >= 20) {
        ContainerIdCapability.reset(new CyContainerIdCapability{capability[0], capability[1], kind, capability[3], {}});
        std::memcpy(ContainerIdCapability->ContainerID, capability + 4, 16);
    } else if (kind == usb20Extension || kind == superSpeedCapability || kind == containerId) {
        fault = QStringLiteral("device capability %1 of %2 bytes").arg(kind).arg(length);
    }
}
