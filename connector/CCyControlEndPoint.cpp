#include "CCyControlEndPoint.h"

#include <cstring>

CCyControlEndPoint::CCyControlEndPoint()
{
    useControlDefaults();
}

CCyControlEndPoint::CCyControlEndPoint(CyDriverHandle *handle, const quint8 *descriptor,
                                       const quint8 *companion)
    : CCyUSBEndPoint(handle, descriptor, companion)
{
    useControlDefaults();
}

void CCyControlEndPoint::useControlDefaults()
{
    XferMode = 0;
}

// A control data stage is at most 65535 bytes: wLength is 16 bits.
CCyUSBEndPoint::Context CCyControlEndPoint::BeginDataXfer(quint8 *buffer, qint32 length,
                                                         CyOverlapped *overlapped)
{
    if (!DriverHandle || length < 0 || length > 0xFFFF)
        return nullptr;
    bIn = Direction == DeviceToHost;
    const quint8 requestType =
        quint8((Target & 0x1F) | ((ReqType & 3) << 5) | ((Direction & 1) << 7));
    auto *record = new CyRequestRecord(CyRequestRecord::control(
        requestType, ReqCode, Value, Index, quint16(length), recordSeconds(Timeout)));
    if (length)
        std::memcpy(record->payload(), buffer, size_t(length));
    return submit(record, CyIoctl::ControlTransfer, record->data(), record->size(), overlapped);
}

void CCyControlEndPoint::setVendorRequest(bool in, quint8 request, quint16 value, quint16 index)
{
    Target = TargetDevice;
    ReqType = VendorRequest;
    Direction = in ? DeviceToHost : HostToDevice;
    ReqCode = request;
    Value = value;
    Index = index;
}

bool CCyControlEndPoint::vendorXfer(bool in, quint8 request, quint16 value, quint16 index,
                                    quint8 *buffer, qint32 length)
{
    if (length < 0 || length > 0xFFFF)
        return false;
    setVendorRequest(in, request, value, index);
    qint32 moved = length;
    return XferData(buffer, moved) && moved == length;
}

bool CCyControlEndPoint::unanswered() const
{
    return UsbdStatus == CyUsbdStatus::DevNotResponding;
}

bool CCyControlEndPoint::stalled() const
{
    return UsbdStatus == CyUsbdStatus::StallPid;
}

bool CCyControlEndPoint::Read(quint8 *buffer, qint32 &length)
{
    Direction = DeviceToHost;
    return XferData(buffer, length);
}

bool CCyControlEndPoint::Write(quint8 *buffer, qint32 &length)
{
    Direction = HostToDevice;
    return XferData(buffer, length);
}
