#pragma once
#include <QByteArray>
#include <mutex>

// The register side of the STM32 and Atmel boards: 128 chip registers and
// the answer to each 0x15 frame. A reply has the frame's length: byte 0 is
// the status (0), the rest echoes the frame with the register values in the
// value places of read entries. Frames with another lead byte are echoed.
//
// The boards cannot tell an entry-list write from a range write of the same
// even length, so the model takes a write payload of odd length for a range
// (start address, values) and one of even length for (address, value)
// entries, unless told that every write frame is a range.
//
// Safe to use from several threads.
class SpiBoardModel
{
public:
    static constexpr int registerCount = 128;
    static constexpr char command = 0x15;

    enum class WriteFrames { ByLength, Ranges };

    SpiBoardModel();

    quint8 value(int reg) const;
    void setValue(int reg, quint8 value);
    QByteArray registers() const;
    void setRegisters(const QByteArray &values);
    void setWriteFrames(WriteFrames kind);

    QByteArray answer(const QByteArray &frame);

    // Bytes the frame at the start of `pending` needs: 2 + its length byte for
    // a 0x15 frame, 0 while that is not known yet, everything pending for a
    // frame of another kind.
    static int frameLength(const QByteArray &pending);

private:
    void writeRange(const QByteArray &payload);
    void writeEntries(const QByteArray &payload);
    void store(int address, quint8 value);

    mutable std::mutex mutex;
    quint8 regs[registerCount];
    WriteFrames writeFrames = WriteFrames::ByLength;
};
