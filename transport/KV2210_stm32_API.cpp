#include "KV2210_stm32_API.h"

namespace {
// Single registers 0 to 290, ranges up to first + count = 290. Range reads
// go in frames of 28 values, range writes of 24. A single read that gets no
// reply leaves 0xAA in the value byte.
const SpiDialect kv2210Stm32{
    false,                   // bitReversed
    0x00,                    // partialListReadFiller
    {0, 290},                // readRegisters
    {0, 290},                // writeRegisters
    290,                     // readRangeEnd
    290,                     // writeRangeEnd
    32,                      // rangeReadFrame
    28,                      // rangeWriteFrame
    true,                    // rangesMarked
    0xAA,                    // silentReadValue
    false,                   // chipSelectFrames
};
}

KV2210_stm32_API::KV2210_stm32_API()
{
    useKv2260Frames(2);
    csAssertCmd = 0x14;
    csReleaseCmd = 0x13;
    spiCmd = 0x12;
    addrBytes = 2;
}

const SpiDialect &KV2210_stm32_API::dialect() const
{
    return kv2210Stm32;
}
