#pragma once
#include <QByteArray>
#include <QVector>

#include "SpiDialect.h"

class canal;

// The register frames of the STM32 and Atmel boards, which every chip on them
// shares: a command byte, the payload length, then the payload. A register
// address takes one or two bytes (high byte first), the read or write flag
// OR-ed into its first byte; single registers and entry lists carry
// (address, value) entries, range frames a start address and the values of
// the registers that follow it.
class SpiFrames
{
public:
    // One frame of a list or range operation and the list entries or values
    // it carries. Value k of the frame stands in the reply `stride` bytes
    // after value k - 1, and in the caller's list or array at
    // (first + k + 1) * stride - 1: a list entry's value byte, or element
    // first + k of a value array.
    struct Frame {
        QByteArray bytes;
        int first = 0;
        int count = 0;
        int stride = 1;
    };

    // Takes the command byte, the flags, the address width and the largest
    // frame from the board, the rest from the chip's dialect.
    SpiFrames(const canal &board, const SpiDialect &dialect);

    QByteArray singleRead(int reg) const;
    QByteArray singleWrite(int reg, quint8 value) const;

    // Frames of at most entriesPerFrame() entries of an entry list. A read
    // carries placeholders as values; a write the entries' values. With
    // `closingFrame` the list always ends with a frame of the entries left
    // over, which is empty (command and zero length) when the count is a
    // whole multiple of entriesPerFrame().
    QVector<Frame> listReads(const quint8 *entries, int count) const;
    QVector<Frame> listWrites(const quint8 *entries, int count, bool closingFrame) const;

    // Range frames of at most the dialect's range frame size, each starting
    // with the address of its first register, marked when the dialect says.
    QVector<Frame> rangeReads(int first, int count) const;
    QVector<Frame> rangeWrites(int first, const quint8 *values, int count) const;

    // An entry list for the registers first to first + count - 1, with the
    // given values, or placeholders 0 when there are none.
    QByteArray rangeEntries(int first, int count, const quint8 *values) const;

    int entryBytes() const { return addressBytes + 1; }
    int entriesPerFrame() const { return (maxFrame - 2) / entryBytes(); }

    // Where a list holds the value of entry k.
    int valueOffset(int k) const { return k * entryBytes() + addressBytes; }
    // The value of a single-read reply.
    quint8 singleValue(const QByteArray &reply) const;
    // Copies the values of a read frame's reply to the caller's list or array.
    void storeValues(const Frame &frame, const QByteArray &reply, quint8 *target) const;

private:
    QByteArray header(int payloadLength) const;
    QByteArray address(int reg, quint8 flags) const;
    QByteArray entryAddress(const quint8 *entry, quint8 flag) const;
    quint8 wire(quint8 byte) const;
    QVector<Frame> list(const quint8 *entries, int count, bool read, bool closingFrame) const;
    QVector<Frame> ranges(int first, const quint8 *values, int count, int frameBytes,
                          quint8 flags) const;

    quint8 command;
    quint8 readFlag;
    quint8 writeFlag;
    quint8 rangeFlag;
    int addressBytes;
    int maxFrame;
    SpiDialect dialect;
};
