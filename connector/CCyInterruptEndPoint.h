#pragma once
#include "CCyUSBEndPoint.h"

// A interrupt endpoint: transfers go direct or buffered by XferMode.
class CCyInterruptEndPoint : public CCyUSBEndPoint
{
public:
    using CCyUSBEndPoint::CCyUSBEndPoint;
    CCyUSBEndPoint *clone() const override { return new CCyInterruptEndPoint(*this); }

    Context BeginDataXfer(quint8 *buffer, qint32 length, CyOverlapped *overlapped) override;
};
