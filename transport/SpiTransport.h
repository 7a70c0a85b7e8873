#pragma once
#include <functional>

#include "SpiFrames.h"
#include "canal.h"

// What the transports of the STM32 and Atmel boards share, whatever the
// chip: the frames of the chip's dialect, the frame loops of list and range
// operations, and the range operations of chips that have no range frames.
// The board kinds below add the link (serial port or USB connection); each
// chip's class adds its dialect and the operations that are its own.
class SpiTransport : public canal
{
    Q_OBJECT
public:
    Operations provides() const override;

protected:
    // One frame out and its reply of the frame's length in; false when the
    // exchange failed (and has been reported).
    using Exchange = std::function<bool(const QByteArray &frame, QByteArray &reply)>;

    virtual const SpiDialect &dialect() const = 0;
    SpiFrames frames() const { return SpiFrames(*this, dialect()); }

    // Runs the frames in order until one fails; a read frame's values go to
    // `target` (the caller's entry list or value array).
    bool runFrames(const QVector<SpiFrames::Frame> &frames, const Exchange &exchange,
                   quint8 *target = nullptr) const;

    // Ranges of a chip without range frames travel as entry lists through
    // this transport's own list operations, on map 0.
    bool readRangeAsList(int first, int count, quint8 *values);
    bool writeRangeAsList(int first, int count, const quint8 *values);

    static bool rangeHolds(int first, int count, qint64 end);
};
