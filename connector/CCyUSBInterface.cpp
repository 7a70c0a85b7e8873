#include "CCyUSBInterface.h"

#include "CCyBulkEndPoint.h"
#include "CCyControlEndPoint.h"
#include "CCyInterruptEndPoint.h"
#include "CCyIsocEndPoint.h"

namespace {
const quint8 interfaceType = 4;
const quint8 endpointType = 5;
const quint8 companionType = 0x30;
const int endpointLength = 7;
const int companionLength = 6;
// Descriptors other than endpoints (class-specific ones) after which the
// walk gives up.
const int otherDescriptorLimit = 11;

// A whole SuperSpeed companion descriptor starts at `at`.
bool companionAt(const quint8 *block, int at, int available)
{
    return at + companionLength <= available && block[at] >= companionLength
           && at + block[at] <= available && block[at + 1] == companionType;
}

CCyUSBEndPoint *endpointFor(CyDriverHandle *handle, const quint8 *descriptor,
                            const quint8 *companion)
{
    switch (descriptor[3] & 3) {
    case 0:
        return new CCyControlEndPoint(handle, descriptor, companion);
    case 1:
        return new CCyIsocEndPoint(handle, descriptor, companion);
    case 2:
        return new CCyBulkEndPoint(handle, descriptor, companion);
    default:
        return new CCyInterruptEndPoint(handle, descriptor, companion);
    }
}
}

CCyUSBInterface::CCyUSBInterface(CyDriverHandle *handle, const quint8 *descriptor, int available,
                                 bool superSpeed)
{
    bLength = descriptor[0];
    bDescriptorType = descriptor[1];
    bInterfaceNumber = descriptor[2];
    bAlternateSetting = descriptor[3];
    bNumEndpoints = descriptor[4];
    bInterfaceClass = descriptor[5];
    bInterfaceSubClass = descriptor[6];
    bInterfaceProtocol = descriptor[7];
    iInterface = descriptor[8];
    if (bNumEndpoints >= MaxEndPoints) {
        fault = QStringLiteral("interface %1 claims %2 endpoints").arg(bInterfaceNumber).arg(bNumEndpoints);
        return;
    }
    walkEndpoints(handle, descriptor, available, superSpeed);
}

// Walks the descriptors after the interface's own until every endpoint has
// its slot, stopping at the next interface, at the end of the block and at a
// descriptor that has no length or runs past the block.
void CCyUSBInterface::walkEndpoints(CyDriverHandle *handle, const quint8 *descriptor,
                                    int available, bool superSpeed)
{
    int at = bLength;
    int slot = 1;
    int others = 0;
    while (slot <= bNumEndpoints && at + 2 <= available) {
        const int length = descriptor[at];
        if (length == 0 || at + length > available) {
            fault = QStringLiteral("a descriptor of length %1 at byte %2 of interface %3")
                        .arg(length).arg(at).arg(bInterfaceNumber);
            break;
        }
        const quint8 type = descriptor[at + 1];
        if (type == interfaceType)
            break;
        if (type == endpointType && length >= endpointLength) {
            const quint8 *endpoint = descriptor + at;
            at += length;
            const quint8 *companion = nullptr;
            if (superSpeed && companionAt(descriptor, at, available)) {
                companion = descriptor + at;
                at += companion[0];
            }
            EndPoints[slot++] = endpointFor(handle, endpoint, companion);
            continue;
        }
        at += length;
        if (++others > otherDescriptorLimit)
            break;
    }
    wTotalLength = quint16(qMin(at, available));
}

CCyUSBInterface::CCyUSBInterface(const CCyUSBInterface &other)
    : bLength(other.bLength),
      bDescriptorType(other.bDescriptorType),
      bInterfaceNumber(other.bInterfaceNumber),
      bAlternateSetting(other.bAlternateSetting),
      bNumEndpoints(other.bNumEndpoints),
      bInterfaceClass(other.bInterfaceClass),
      bInterfaceSubClass(other.bInterfaceSubClass),
      bInterfaceProtocol(other.bInterfaceProtocol),
      iInterface(other.iInterface),
      bAltSettings(other.bAltSettings),
      wTotalLength(other.wTotalLength),
      fault(other.fault)
{
    EndPoints[0] = other.EndPoints[0];
    for (int i = 1; i < MaxEndPoints; ++i)
        EndPoints[i] = other.EndPoints[i] ? other.EndPoints[i]->clone() : nullptr;
}

CCyUSBInterface::~CCyUSBInterface()
{
    for (int i = 1; i < MaxEndPoints; ++i)
        delete EndPoints[i];
}
