#pragma once
#include "CCyUSBEndPoint.h"

// A bulk endpoint: transfers go direct or buffered by XferMode.
class CCyBulkEndPoint : public CCyUSBEndPoint
{
public:
    using CCyUSBEndPoint::CCyUSBEndPoint;
    CCyUSBEndPoint *clone() const override { return new CCyBulkEndPoint(*this); }

    Context BeginDataXfer(quint8 *buffer, qint32 length, CyOverlapped *overlapped) override;
};
