#include "CCyBulkEndPoint.h"

CCyUSBEndPoint::Context CCyBulkEndPoint::BeginDataXfer(quint8 *buffer, qint32 length,
                                                      CyOverlapped *overlapped)
{
    return beginByMode(buffer, length, overlapped);
}
