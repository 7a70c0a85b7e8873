#include "KV2290_stm32_API.h"

namespace {
// Range reads in marked frames of 29 values, range writes of 26; neither
// has an upper bound.
const SpiDialect kv2290Stm32{
    false,                   // bitReversed
    0x00,                    // partialListReadFiller
    SpiDialect::nonNegative, // readRegisters
    SpiDialect::nonNegative, // writeRegisters
    SpiDialect::unbounded,   // readRangeEnd
    SpiDialect::unbounded,   // writeRangeEnd
    32,                      // rangeReadFrame
    29,                      // rangeWriteFrame
    true,                    // rangesMarked
    -1,                      // silentReadValue
    false,                   // chipSelectFrames
};
}

KV2290_stm32_API::KV2290_stm32_API()
{
    useKv2260Frames(2);
}

const SpiDialect &KV2290_stm32_API::dialect() const
{
    return kv2290Stm32;
}
