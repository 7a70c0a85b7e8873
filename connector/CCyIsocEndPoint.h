#pragma once
#include "CCyUSBEndPoint.h"

// An isochronous endpoint: every transfer carries one packet record per
// MaxPktSize unit in front of its data.
class CCyIsocEndPoint : public CCyUSBEndPoint
{
public:
    using CCyUSBEndPoint::CCyUSBEndPoint;
    CCyUSBEndPoint *clone() const override { return new CCyIsocEndPoint(*this); }

    Context BeginDirectXfer(quint8 *buffer, qint32 length, CyOverlapped *overlapped) override;
    Context BeginBufferedXfer(quint8 *buffer, qint32 length, CyOverlapped *overlapped) override;
    Context BeginDataXfer(quint8 *buffer, qint32 length, CyOverlapped *overlapped) override;

    // Packet records for a transfer of `length` bytes; the caller frees them
    // with delete[].
    CCyIsoPktInfo *CreatePktInfos(qint32 length, int &count);

private:
    int packetsFor(qint32 length) const;
    CyRequestRecord *recordFor(qint32 length, quint32 dataBytes);
};
