#pragma once
#include <QByteArray>
#include <mutex>
#include <vector>

// The register side of the STM32 and Atmel boards: the chip's registers and
// the answer to each register frame. A reply has the frame's length: byte 0
// is the status (0), the rest echoes the frame with the register values in
// the value places of reads. Frames with another lead byte are echoed.
//
// The chip's dialect says how its frames look: the command byte, one- or
// two-byte addresses (high byte first, the read flag 0x80 in the first),
// bit-reversed address and value bytes, range frames marked by 0x40 in the
// first address byte, one-byte chip-select frames. The KV2260 is the default.
//
// Boards whose range writes are not marked cannot tell an entry-list write
// from a range write of the same even length, so the model takes a write
// payload of odd length for a range (start address, values) and one of even
// length for (address, value) entries, unless told that every write frame is
// a range.
//
// Safe to use from several threads.
class SpiBoardModel
{
public:
    // The KV2260's 128 registers: what registers() returns, and where a
    // one-byte address ends.
    static constexpr int registerCount = 128;
    // Registers a two-byte address reaches.
    static constexpr int wideRegisterCount = 0x4000;

    struct Dialect {
        char command = 0x15;
        int addressBytes = 1;
        bool bitReversed = false;
        bool rangesMarked = false;
        // One-byte frames (chip select) are answered with status 0.
        bool chipSelect = false;
        // A single read whose placeholder is 0xFF has its address byte
        // bit-reversed (the KV2290 on the Atmel board).
        bool reversedSingleRead = false;
    };

    enum class WriteFrames { ByLength, Ranges };

    SpiBoardModel();

    quint8 value(int reg) const;
    void setValue(int reg, quint8 value);
    QByteArray registers() const;
    void setRegisters(const QByteArray &values);
    void setWriteFrames(WriteFrames kind);
    void setDialect(const Dialect &dialect);

    QByteArray answer(const QByteArray &frame);

    // Bytes the frame at the start of `pending` needs: 2 + its length byte for
    // a register frame, 0 while that is not known yet, everything pending for
    // a frame of another kind.
    int frameLength(const QByteArray &pending) const;

private:
    struct Address {
        int reg;
        bool read;
        bool range;
    };

    Address addressAt(const QByteArray &payload, int offset, bool reversed) const;
    quint8 wire(quint8 byte) const;
    void readEntries(const QByteArray &payload, bool reversed, QByteArray &reply) const;
    void writeEntries(const QByteArray &payload);
    void store(int address, quint8 value);
    quint8 load(int address) const;

    mutable std::mutex mutex;
    std::vector<quint8> regs;
    WriteFrames writeFrames = WriteFrames::ByLength;
    Dialect dialect;
};
