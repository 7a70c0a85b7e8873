#include "KV2260_stm32_API.h"

// Range reads go out as entry lists of at most 290 registers; range writes
// in frames of 26 values, with no upper bound.
const SpiDialect KV2260_stm32_API::kv2260Dialect{
    false,                   // bitReversed
    0x00,                    // partialListReadFiller
    SpiDialect::nonNegative, // readRegisters
    SpiDialect::nonNegative, // writeRegisters
    290,                     // readRangeEnd
    SpiDialect::unbounded,   // writeRangeEnd
    0,                       // rangeReadFrame
    29,                      // rangeWriteFrame
    false,                   // rangesMarked
    -1,                      // silentReadValue
    false,                   // chipSelectFrames
};

KV2260_stm32_API::KV2260_stm32_API()
{
    useKv2260Frames(2);
}

const SpiDialect &KV2260_stm32_API::dialect() const
{
    return kv2260Dialect;
}
