#pragma once
#include <QString>
#include <QtGlobal>

#include "CCyUSBInterface.h"

class CyDriverHandle;

// One configuration descriptor with the records of its interfaces (every
// alternate setting is one record).
class CCyUSBConfig
{
public:
    static constexpr int MaxInterfaces = 255;

    CCyUSBConfig();
    // From a whole configuration descriptor block of `size` bytes; the walk
    // never reads past wTotalLength nor past `size`.
    CCyUSBConfig(CyDriverHandle *handle, const quint8 *descriptor, int size, bool superSpeed);
    CCyUSBConfig(const CCyUSBConfig &other);
    CCyUSBConfig &operator=(const CCyUSBConfig &) = delete;
    ~CCyUSBConfig();

    // Why the descriptors cannot be used; empty when they can.
    QString problem() const { return fault; }

    CCyUSBInterface *Interfaces[MaxInterfaces] = {};
    quint8 bLength = 0;
    quint8 bDescriptorType = 0;
    quint16 wTotalLength = 0;
    quint8 bNumInterfaces = 0;
    quint8 bConfigurationValue = 0;
    quint8 iConfiguration = 0;
    quint8 bmAttributes = 0;
    quint8 MaxPower = 0;
    // Interface records built.
    quint8 AltInterfaces = 0;

private:
    void walk(CyDriverHandle *handle, const quint8 *descriptor, int block, bool superSpeed);
    void countAltSettings();
    QString fault;
};
