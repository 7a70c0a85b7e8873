#include "KV2260_atmel_API.h"

namespace {
// A single read sends any register number as its low eight bits. Ranges end
// at 290; reads go out as entry lists, writes in frames of 29 values.
const SpiDialect kv2260Atmel{
    false,                   // bitReversed
    0x00,                    // partialListReadFiller
    SpiDialect::anyRegister, // readRegisters
    SpiDialect::nonNegative, // writeRegisters
    290,                     // readRangeEnd
    290,                     // writeRangeEnd
    0,                       // rangeReadFrame
    32,                      // rangeWriteFrame
    false,                   // rangesMarked
    -1,                      // silentReadValue
    false,                   // chipSelectFrames
};
}

KV2260_atmel_API::KV2260_atmel_API()
{
    useKv2260Frames(0);
}

const SpiDialect &KV2260_atmel_API::dialect() const
{
    return kv2260Atmel;
}
