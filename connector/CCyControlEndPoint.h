#pragma once
#include "CCyUSBEndPoint.h"

// Endpoint 0: control requests whose setup fields the object holds. The
// data travels inside the request buffer behind the record.
class CCyControlEndPoint : public CCyUSBEndPoint
{
public:
    // Values of Target, ReqType and Direction.
    enum Recipient { TargetDevice = 0, TargetInterface = 1, TargetEndpoint = 2, TargetOther = 3 };
    enum RequestKind { StandardRequest = 0, ClassRequest = 1, VendorRequest = 2 };
    enum DataDirection { HostToDevice = 0, DeviceToHost = 1 };

    CCyControlEndPoint();
    CCyControlEndPoint(CyDriverHandle *handle, const quint8 *descriptor,
                       const quint8 *companion = nullptr);
    CCyUSBEndPoint *clone() const override { return new CCyControlEndPoint(*this); }

    Context BeginDataXfer(quint8 *buffer, qint32 length, CyOverlapped *overlapped) override;

    // Sets up a vendor request to the device.
    void setVendorRequest(bool in, quint8 request, quint16 value, quint16 index);
    // One vendor request whose data stage moves exactly `length` bytes
    // (0 ... 0xFFFF); false when it fails or moves fewer.
    bool vendorXfer(bool in, quint8 request, quint16 value, quint16 index, quint8 *buffer,
                    qint32 length);
    // The last request got no answer: the device stopped responding or is
    // gone, rather than refusing it.
    bool unanswered() const;
    // The device refused the last request with a stall.
    bool stalled() const;

    bool Read(quint8 *buffer, qint32 &length);
    bool Write(quint8 *buffer, qint32 &length);

    quint32 Target = TargetDevice;
    quint32 ReqType = VendorRequest;
    quint32 Direction = HostToDevice;
    quint8 ReqCode = 0;
    quint16 Value = 0;
    quint16 Index = 0;

private:
    void useControlDefaults();
};
