#include "KV2290_atmel_API.h"

namespace {
// Ranges (first + count at most 290) travel in marked frames of 29 values.
const SpiDialect kv2290Atmel{
    false,                   // bitReversed
    0x00,                    // partialListReadFiller
    SpiDialect::anyRegister, // readRegisters
    SpiDialect::nonNegative, // writeRegisters
    290,                     // readRangeEnd
    290,                     // writeRangeEnd
    32,                      // rangeReadFrame
    32,                      // rangeWriteFrame
    true,                    // rangesMarked
    -1,                      // silentReadValue
    false,                   // chipSelectFrames
};
}

KV2290_atmel_API::KV2290_atmel_API()
{
    useKv2260Frames(0);
}

const SpiDialect &KV2290_atmel_API::dialect() const
{
    return kv2290Atmel;
}

// The single read alone takes its address byte least significant bit first,
// with 0xFF as the value placeholder.
QByteArray KV2290_atmel_API::readFrame(quint8, int reg) const
{
    QByteArray frame = frames().singleRead(reg);
    frame[2] = char(reverseBits(quint8(frame.at(2))));
    frame[3] = char(0xFF);
    return frame;
}
