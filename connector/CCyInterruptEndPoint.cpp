#include "CCyInterruptEndPoint.h"

CCyUSBEndPoint::Context CCyInterruptEndPoint::BeginDataXfer(quint8 *buffer, qint32 length,
                                                      CyOverlapped *overlapped)
{
    return beginByMode(buffer, length, overlapped);
}
