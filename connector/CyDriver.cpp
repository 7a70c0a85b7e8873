#include "CyDriver.h"

#include "LibusbCyDriver.h"

CyDriver::~CyDriver() = default;

CyDriver &CyDriver::instance()
{
    static LibusbCyDriver driver;
    return driver;
}
