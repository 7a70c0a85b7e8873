#include "KV2210_atmel_API.h"

namespace {
// The address byte holds the register number beside the read flag: a number
// above 127 would reach another register, so single writes and ranges stop
// at 127, single reads at 89. A list read's last frame, when not full,
// carries 0xFF as its value placeholders.
const SpiDialect kv2210Atmel{
    true,                    // bitReversed
    0xFF,                    // partialListReadFiller
    {0, 89},                 // readRegisters
    {0, 127},                // writeRegisters
    128,                     // readRangeEnd
    128,                     // writeRangeEnd
    0,                       // rangeReadFrame
    0,                       // rangeWriteFrame
    false,                   // rangesMarked
    -1,                      // silentReadValue
    true,                    // chipSelectFrames
};
}

KV2210_atmel_API::KV2210_atmel_API()
{
    useKv2260Frames(0);
    csAssertCmd = 0x14;
    csReleaseCmd = 0x13;
    spiCmd = 0x12;
}

const SpiDialect &KV2210_atmel_API::dialect() const
{
    return kv2210Atmel;
}

bool KV2210_atmel_API::readRegister(quint8 map, int reg, quint8 *value)
{
    QMutexLocker guard(&lock);
    return readSingle(map, reg, value);
}

// The map number stands unreversed in the value place of the read frame.
QByteArray KV2210_atmel_API::readFrame(quint8 map, int reg) const
{
    QByteArray frame = frames().singleRead(reg);
    frame[3] = char(map);
    return frame;
}
