#pragma once
#include <QByteArray>
#include <QVector>

class canal;

// The register frames of the STM32 and Atmel boards, which share one
// protocol: a command byte, the payload length, then the payload. Single
// registers and entry lists carry (address | flag, value) pairs; a range write
// carries a start address and the values of the registers that follow it.
class SpiFrames
{
public:
    // One frame of a list or range operation and the list entries or values
    // it carries.
    struct Frame {
        QByteArray bytes;
        int first = 0;
        int count = 0;
    };

    // Takes the command byte, the flags and the largest frame from the board.
    explicit SpiFrames(const canal &board);

    QByteArray singleRead(int reg) const;
    QByteArray singleWrite(int reg, quint8 value) const;

    // Frames of at most entriesPerFrame() entries of a two-byte entry list.
    // A read carries 0 as every value; a write the entries' values. With
    // `closingFrame` the list always ends with a frame of the entries left
    // over, which is empty (command and zero length) when the count is a
    // whole multiple of entriesPerFrame().
    QVector<Frame> listReads(const quint8 *entries, int count) const;
    QVector<Frame> listWrites(const quint8 *entries, int count, bool closingFrame) const;

    // Range-write frames of at most `maxFrameBytes` bytes each; the start
    // address of each is the low eight bits of its first register.
    QVector<Frame> rangeWrites(int first, const quint8 *values, int count, int maxFrameBytes) const;

    int entriesPerFrame() const { return (maxFrame - 2) / 2; }

    // Value of the k-th entry of a list-read frame in the board's reply.
    static quint8 entryValue(const QByteArray &reply, int k) { return quint8(reply.at(3 + 2 * k)); }
    // Value of a single-read reply.
    static quint8 singleValue(const QByteArray &reply) { return quint8(reply.at(3)); }

private:
    QByteArray header(int payloadLength) const;
    QVector<Frame> list(const quint8 *entries, int count, bool read, bool closingFrame) const;

    quint8 command;
    quint8 readFlag;
    quint8 writeFlag;
    int maxFrame;
};
