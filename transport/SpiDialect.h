#pragma once
#include <QtGlobal>
#include <limits>

// What sets one chip's register frames and argument checks apart from
// another's on the STM32 and Atmel boards. The frame bytes every chip has
// (command byte, read, write and auto-increment flags, address width, largest
// frame) are canal's fields; this table holds the rest, one constant per
// transport class.
struct SpiDialect
{
    // Register numbers an operation accepts, both ends included.
    struct Registers
    {
        qint64 low;
        qint64 high;
        bool hold(qint64 reg) const { return reg >= low && reg <= high; }
    };
    // No bound but the int range: a range may not run past the largest int.
    static constexpr qint64 unbounded = std::numeric_limits<int>::max();
    static constexpr Registers anyRegister{std::numeric_limits<int>::min(), unbounded};
    static constexpr Registers nonNegative{0, unbounded};

    // Address and value bytes travel least significant bit first.
    bool bitReversed;
    // Value placeholder of a list read's last frame when it is not full.
    quint8 partialListReadFiller;
    Registers readRegisters;
    Registers writeRegisters;
    // Largest first + count of a range read and of a range write.
    qint64 readRangeEnd;
    qint64 writeRangeEnd;
    // Largest range-read and range-write frame, in bytes; 0: the range goes
    // out as an entry list instead.
    int rangeReadFrame;
    int rangeWriteFrame;
    // Range frames carry autoIncFlag in their start address.
    bool rangesMarked;
    // Stored by a single read whose reply never comes; below 0: nothing.
    int silentReadValue;
    // Single registers and list reads go out between a chip-select assert
    // frame and a release frame (csAssertCmd, csReleaseCmd alone).
    bool chipSelectFrames;
};
