#include "CyDriver.h"

#include "LibusbCyDriver.h"

CyDriver::~CyDriver() = default;

CyDriver &CyDriver::instance()
{
    static LibusbCyDriver driver;
    return driver;
}

QUuid CyDriver::interfaceClass()
{
    return QUuid(0xAE18AA60, 0x7F6A, 0x11D4, 0x97, 0xDD, 0x00, 0x01, 0x02, 0x29, 0xB9, 0x59);
}
