#include "KV2240_stm32_API.h"

namespace {
// Single registers 0 to 291, ranges up to first + count = 291. Range reads
// go in frames of 28 values, range writes of 24. A single read that gets no
// reply leaves 0xAA in the value byte.
const SpiDialect kv2240Stm32{
    false,                   // bitReversed
    0x00,                    // partialListReadFiller
    {0, 291},                // readRegisters
    {0, 291},                // writeRegisters
    291,                     // readRangeEnd
    291,                     // writeRangeEnd
    32,                      // rangeReadFrame
    28,                      // rangeWriteFrame
    true,                    // rangesMarked
    0xAA,                    // silentReadValue
    false,                   // chipSelectFrames
};
}

KV2240_stm32_API::KV2240_stm32_API()
{
    useKv2260Frames(2);
    addrBytes = 2;
}

const SpiDialect &KV2240_stm32_API::dialect() const
{
    return kv2240Stm32;
}
