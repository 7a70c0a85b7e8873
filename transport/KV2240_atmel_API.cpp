#include "KV2240_atmel_API.h"

namespace {
// Single registers 0 to 291; range reads reach register 1372, range writes
// end at 290; both in frames of 28 values.
const SpiDialect kv2240Atmel{
    false,                   // bitReversed
    0x00,                    // partialListReadFiller
    {0, 291},                // readRegisters
    {0, 291},                // writeRegisters
    1373,                    // readRangeEnd
    291,                     // writeRangeEnd
    32,                      // rangeReadFrame
    32,                      // rangeWriteFrame
    true,                    // rangesMarked
    -1,                      // silentReadValue
    false,                   // chipSelectFrames
};
}

KV2240_atmel_API::KV2240_atmel_API()
{
    useKv2260Frames(0);
    addrBytes = 2;
}

const SpiDialect &KV2240_atmel_API::dialect() const
{
    return kv2240Atmel;
}
