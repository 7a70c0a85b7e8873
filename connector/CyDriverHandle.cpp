#include "CyDriverHandle.h"

CyDriverHandle::~CyDriverHandle() = default;

bool CyDriverHandle::overlappedResult(const CyOverlapped &overlapped, quint32 *count)
{
    *count = overlapped.completed ? overlapped.transferred : 0;
    return overlapped.completed && overlapped.succeeded;
}
