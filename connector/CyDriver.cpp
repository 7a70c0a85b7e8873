#include "CyDriver.h"

#include "LibusbCyDriver.h"

CyDriverHandle::~CyDriverHandle() = default;

bool CyDriverHandle::overlappedResult(const CyOverlapped &overlapped, quint32 *count)
{
    *count = overlapped.completed ? overlapped.transferred : 0;
    return overlapped.completed && overlapped.succeeded;
}

CyDriver::~CyDriver() = default;

CyDriver &CyDriver::instance()
{
    static LibusbCyDriver driver;
    return driver;
}
