#include "SpiTransport.h"

canal::Operations SpiTransport::provides() const
{
    return allOperations();
}

bool SpiTransport::runFrames(const QVector<SpiFrames::Frame> &frames, const Exchange &exchange,
                             quint8 *target) const
{
    const SpiFrames spi = this->frames();
    for (const SpiFrames::Frame &frame : frames) {
        QByteArray reply;
        if (!exchange(frame.bytes, reply))
            return false;
        if (target)
            spi.storeValues(frame, reply, target);
    }
    return true;
}

bool SpiTransport::readRangeAsList(int first, int count, quint8 *values)
{
    const SpiFrames spi = frames();
    QByteArray list = spi.rangeEntries(first, count, nullptr);
    quint8 *entries = reinterpret_cast<quint8 *>(list.data());
    if (!readRegisterBlock(0, count, &entries))
        return false;
    for (int i = 0; i < count; ++i)
        values[i] = entries[spi.valueOffset(i)];
    return true;
}

bool SpiTransport::writeRangeAsList(int first, int count, const quint8 *values)
{
    QByteArray list = frames().rangeEntries(first, count, values);
    return writeRegisterBlock(0, count, reinterpret_cast<quint8 *>(list.data()));
}

bool SpiTransport::rangeHolds(int first, int count, qint64 end)
{
    return first >= 0 && count >= 1 && qint64(first) + count <= end;
}
