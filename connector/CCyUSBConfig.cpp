#include "CCyUSBConfig.h"

namespace {
const int headerLength = 9;
const quint8 interfaceType = 4;
}

CCyUSBConfig::CCyUSBConfig() = default;

CCyUSBConfig::CCyUSBConfig(CyDriverHandle *handle, const quint8 *descriptor, int size,
                           bool superSpeed)
{
    if (size < headerLength || descriptor[0] < headerLength) {
        fault = QStringLiteral("configuration descriptor of %1 bytes").arg(size);
        return;
    }
    bLength = descriptor[0];
    bDescriptorType = descriptor[1];
    wTotalLength = quint16(descriptor[2] | descriptor[3] << 8);
    bNumInterfaces = descriptor[4];
    bConfigurationValue = descriptor[5];
    iConfiguration = descriptor[6];
    bmAttributes = descriptor[7];
    MaxPower = descriptor[8];
    walk(handle, descriptor, qMin<int>(wTotalLength, size), superSpeed);
    countAltSettings();
}

// Each interface descriptor starts a record, which takes its endpoints with
// it; whatever else is skipped by its length. A descriptor without length or
// one that runs past the block makes the configuration unusable.
void CCyUSBConfig::walk(CyDriverHandle *handle, const quint8 *descriptor, int block,
                        bool superSpeed)
{
    int at = bLength;
    while (at + 2 <= block && AltInterfaces < MaxInterfaces && fault.isEmpty()) {
        const int length = descriptor[at];
        if (length == 0 || at + length > block) {
            fault = QStringLiteral("a descriptor of length %1 at byte %2 of %3").arg(length).arg(at).arg(block);
            break;
        }
        if (descriptor[at + 1] != interfaceType || length < headerLength) {
            at += length;
            continue;
        }
        auto *interface = new CCyUSBInterface(handle, descriptor + at, block - at, superSpeed);
        Interfaces[AltInterfaces++] = interface;
        fault = interface->problem();
        at += qMax<int>(interface->wTotalLength, length);
    }
}

void CCyUSBConfig::countAltSettings()
{
    for (int i = 0; i < AltInterfaces; ++i) {
        int count = 0;
        for (int j = 0; j < AltInterfaces; ++j)
            if (Interfaces[j]->bInterfaceNumber == Interfaces[i]->bInterfaceNumber)
                ++count;
        Interfaces[i]->bAltSettings = quint8(count);
    }
}

CCyUSBConfig::CCyUSBConfig(const CCyUSBConfig &other)
    : bLength(other.bLength),
      bDescriptorType(other.bDescriptorType),
      wTotalLength(other.wTotalLength),
      bNumInterfaces(other.bNumInterfaces),
      bConfigurationValue(other.bConfigurationValue),
      iConfiguration(other.iConfiguration),
      bmAttributes(other.bmAttributes),
      MaxPower(other.MaxPower),
      AltInterfaces(other.AltInterfaces),
      fault(other.fault)
{
    for (int i = 0; i < AltInterfaces; ++i)
        Interfaces[i] = new CCyUSBInterface(*other.Interfaces[i]);
}

CCyUSBConfig::~CCyUSBConfig()
{
    for (int i = 0; i < AltInterfaces; ++i)
        delete Interfaces[i];
}
