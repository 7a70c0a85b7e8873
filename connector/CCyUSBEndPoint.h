#pragma once
#include <QtGlobal>

#include "CyDriverHandle.h"
#include "CyRequestRecord.h"

// One packet record of an isochronous transfer.
struct CCyIsoPktInfo
{
    quint32 Status;
    quint32 Length;
};

// One endpoint of a device of the USB3 driver: its descriptor and the
// transfers on it. A transfer is one request record plus data handed to the
// driver: begin, wait, finish.
class CCyUSBEndPoint
{
public:
    // The request that a begin operation started; finish frees it.
    using Context = CyRequestRecord *;

    CCyUSBEndPoint();
    // From an endpoint descriptor (7 bytes) and, for a SuperSpeed endpoint,
    // its companion descriptor (6 bytes).
    CCyUSBEndPoint(CyDriverHandle *handle, const quint8 *descriptor,
                   const quint8 *companion = nullptr);
    CCyUSBEndPoint(const CCyUSBEndPoint &other) = default;
    CCyUSBEndPoint &operator=(const CCyUSBEndPoint &other) = default;
    virtual ~CCyUSBEndPoint();

    // A copy of the object as its own class.
    virtual CCyUSBEndPoint *clone() const = 0;

    virtual Context BeginDirectXfer(quint8 *buffer, qint32 length, CyOverlapped *overlapped);
    virtual Context BeginBufferedXfer(quint8 *buffer, qint32 length, CyOverlapped *overlapped);
    virtual Context BeginDataXfer(quint8 *buffer, qint32 length, CyOverlapped *overlapped) = 0;
    virtual bool FinishDataXfer(quint8 *buffer, qint32 &length, CyOverlapped *overlapped,
                                Context context, CCyIsoPktInfo *packets = nullptr);

    bool XferData(quint8 *buffer, qint32 &length, CCyIsoPktInfo *packets = nullptr);
    bool XferData(quint8 *buffer, qint32 &length, CCyIsoPktInfo *packets, bool packetMode);
    // Waits up to Timeout for a started transfer.
    bool WaitForXfer(CyOverlapped *overlapped);
    bool WaitForIO(CyOverlapped *overlapped, quint32 timeoutMs);

    bool Abort();
    bool Reset();
    quint32 GetXferSize();
    void SetXferSize(quint32 size);

    // Whole seconds of the record for a time-out in ms: at least 1 for any
    // time-out above 0.
    static quint32 recordSeconds(quint32 timeoutMs);

    CyDriverHandle *DriverHandle = nullptr;
    quint8 DescLength = 0;
    quint8 DescType = 0;
    quint8 Address = 0;
    quint8 Attributes = 0;
    quint16 MaxPktSize = 0;
    quint16 PacketsPerFrame = 0;
    quint8 Interval = 0;
    // The SuperSpeed companion descriptor; all 0 without one.
    quint8 CompanionLength = 0;
    quint8 CompanionType = 0;
    quint8 MaxBurst = 0;
    quint8 CompanionAttributes = 0;
    quint16 BytesPerInterval = 0;
    // Milliseconds a transfer may take.
    quint32 Timeout = 10000;
    quint32 UsbdStatus = 0;
    quint32 DriverStatus = 0;
    // Data bytes of the last finished transfer.
    quint32 BytesTransferred = 0;
    quint32 LastError = 0;
    bool bIn = false;
    quint32 XferMode = 1;

protected:
    // Direct or buffered, as XferMode says.
    Context beginByMode(quint8 *buffer, qint32 length, CyOverlapped *overlapped);
    // Sends a record and remembers the driver's answer; the record is the
    // context.
    Context submit(CyRequestRecord *record, quint32 code, quint8 *out, quint32 outLength,
                   CyOverlapped *overlapped);
    void takeStatus(const CyRequestRecord &record);
};
