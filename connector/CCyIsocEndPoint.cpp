#include "CCyIsocEndPoint.h"

#include <cstring>

namespace {
const quint32 packetRecordSize = sizeof(CCyIsoPktInfo);
}

int CCyIsocEndPoint::packetsFor(qint32 length) const
{
    if (MaxPktSize == 0 || length <= 0)
        return 0;
    return int((qint64(length) + MaxPktSize - 1) / MaxPktSize);
}

CCyIsoPktInfo *CCyIsocEndPoint::CreatePktInfos(qint32 length, int &count)
{
    count = packetsFor(length);
    return count ? new CCyIsoPktInfo[size_t(count)]() : nullptr;
}

// The record, the packet records behind it, then `dataBytes` of data.
CyRequestRecord *CCyIsocEndPoint::recordFor(qint32 length, quint32 dataBytes)
{
    const quint32 packetBytes = quint32(packetsFor(length)) * packetRecordSize;
    auto *record = new CyRequestRecord(packetBytes + dataBytes);
    record->setByte(CyRequestRecord::Endpoint, Address);
    record->setDword(CyRequestRecord::PacketOffset, CyRequestRecord::Size);
    record->setDword(CyRequestRecord::PacketLength, packetBytes);
    return record;
}

CCyUSBEndPoint::Context CCyIsocEndPoint::BeginBufferedXfer(quint8 *buffer, qint32 length,
                                                          CyOverlapped *overlapped)
{
    if (!DriverHandle || packetsFor(length) == 0)
        return nullptr;
    CyRequestRecord *record = recordFor(length, quint32(length));
    const quint32 offset = CyRequestRecord::Size + record->dword(CyRequestRecord::PacketLength);
    record->setDword(CyRequestRecord::DataOffset, offset);
    record->setDword(CyRequestRecord::DataLength, quint32(length));
    std::memcpy(record->data() + offset, buffer, size_t(length));
    submit(record, CyIoctl::BufferedTransfer, record->data(), record->size(), overlapped);
    takeStatus(*record);
    return record;
}

CCyUSBEndPoint::Context CCyIsocEndPoint::BeginDirectXfer(quint8 *buffer, qint32 length,
                                                        CyOverlapped *overlapped)
{
    if (!DriverHandle || packetsFor(length) == 0)
        return nullptr;
    CyRequestRecord *record = recordFor(length, 0);
    submit(record, CyIoctl::DirectTransfer, buffer, quint32(length), overlapped);
    takeStatus(*record);
    return record;
}

CCyUSBEndPoint::Context CCyIsocEndPoint::BeginDataXfer(quint8 *buffer, qint32 length,
                                                      CyOverlapped *overlapped)
{
    return beginByMode(buffer, length, overlapped);
}
