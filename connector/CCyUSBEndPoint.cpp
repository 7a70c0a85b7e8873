#include "CCyUSBEndPoint.h"

#include <QThread>
#include <cstring>
#include <memory>

namespace {
const quint32 abortWaitMs = 1000;
const unsigned long pauseAfterTimeoutMs = 50;
}

CCyUSBEndPoint::CCyUSBEndPoint() = default;

CCyUSBEndPoint::CCyUSBEndPoint(CyDriverHandle *handle, const quint8 *descriptor,
                               const quint8 *companion)
    : DriverHandle(handle)
{
    DescLength = descriptor[0];
    DescType = descriptor[1];
    Address = descriptor[2];
    Attributes = descriptor[3];
    const quint16 wMaxPacketSize = CyRequestRecord::read16(descriptor + 4);
    Interval = descriptor[6];
    bIn = Address & 0x80;
    PacketsPerFrame = quint16(((wMaxPacketSize >> 11) & 3) + 1);
    MaxPktSize = quint16((wMaxPacketSize & 0x7FF) * PacketsPerFrame);
    if (companion) {
        CompanionLength = companion[0];
        CompanionType = companion[1];
        MaxBurst = companion[2];
        CompanionAttributes = companion[3];
        BytesPerInterval = CyRequestRecord::read16(companion + 4);
        MaxPktSize = quint16(MaxPktSize * (MaxBurst + 1));
        if ((Attributes & 3) == 1)
            MaxPktSize = quint16(MaxPktSize * ((CompanionAttributes & 3) + 1));
    }
}

CCyUSBEndPoint::~CCyUSBEndPoint() = default;

quint32 CCyUSBEndPoint::recordSeconds(quint32 timeoutMs)
{
    if (timeoutMs == 0)
        return 0;
    return timeoutMs < 1000 ? 1 : timeoutMs / 1000;
}

void CCyUSBEndPoint::takeStatus(const CyRequestRecord &record)
{
    UsbdStatus = record.dword(CyRequestRecord::UsbdStatus);
    DriverStatus = record.dword(CyRequestRecord::DriverStatus);
}

CCyUSBEndPoint::Context CCyUSBEndPoint::submit(CyRequestRecord *record, quint32 code, quint8 *out,
                                               quint32 outLength, CyOverlapped *overlapped)
{
    overlapped->timeoutMs = Timeout;
    DriverHandle->ioControl(code, record->data(), record->size(), out, outLength, nullptr,
                            overlapped);
    LastError = DriverHandle->lastError();
    return record;
}

CCyUSBEndPoint::Context CCyUSBEndPoint::BeginBufferedXfer(quint8 *buffer, qint32 length,
                                                         CyOverlapped *overlapped)
{
    if (!DriverHandle || length < 0)
        return nullptr;
    auto *record = new CyRequestRecord(quint32(length));
    record->setByte(CyRequestRecord::Endpoint, Address);
    record->setDword(CyRequestRecord::DataOffset, CyRequestRecord::Size);
    record->setDword(CyRequestRecord::DataLength, quint32(length));
    if (length)
        std::memcpy(record->payload(), buffer, size_t(length));
    submit(record, CyIoctl::BufferedTransfer, record->data(), record->size(), overlapped);
    takeStatus(*record);
    return record;
}

CCyUSBEndPoint::Context CCyUSBEndPoint::BeginDirectXfer(quint8 *buffer, qint32 length,
                                                       CyOverlapped *overlapped)
{
    if (!DriverHandle || length < 0)
        return nullptr;
    auto *record = new CyRequestRecord;
    record->setByte(CyRequestRecord::Endpoint, Address);
    submit(record, CyIoctl::DirectTransfer, buffer, quint32(length), overlapped);
    takeStatus(*record);
    return record;
}

CCyUSBEndPoint::Context CCyUSBEndPoint::beginByMode(quint8 *buffer, qint32 length,
                                                   CyOverlapped *overlapped)
{
    if (!DriverHandle)
        return nullptr;
    if (XferMode == 1)
        return BeginDirectXfer(buffer, length, overlapped);
    return BeginBufferedXfer(buffer, length, overlapped);
}

bool CCyUSBEndPoint::WaitForIO(CyOverlapped *overlapped, quint32 timeoutMs)
{
    return DriverHandle && DriverHandle->waitFor(*overlapped, timeoutMs);
}

// A request still running when the time is up is aborted before the caller
// goes on to free its buffer.
bool CCyUSBEndPoint::WaitForXfer(CyOverlapped *overlapped)
{
    if (LastError == CyError::None)
        return true;
    if (LastError != CyError::IoPending)
        return false;
    if (WaitForIO(overlapped, Timeout))
        return true;
    Abort();
    QThread::msleep(pauseAfterTimeoutMs);
    return false;
}

// The byte count is what the driver answered less the record in front of the
// data, kept within 0 and the length asked for.
bool CCyUSBEndPoint::FinishDataXfer(quint8 *buffer, qint32 &length, CyOverlapped *overlapped,
                                    Context context, CCyIsoPktInfo *packets)
{
    std::unique_ptr<CyRequestRecord> record(context);
    const qint32 requested = qMax(length, 0);
    quint32 count = 0;
    const bool finished =
        record && DriverHandle && DriverHandle->overlappedResult(*overlapped, &count);
    qint64 moved = 0;
    if (record && count)
        moved = qint64(count) - record->dword(CyRequestRecord::DataOffset);
    length = qint32(qBound<qint64>(0, moved, requested));
    BytesTransferred = quint32(length);
    if (!record)
        return false;
    takeStatus(*record);
    if (bIn && XferMode == 0 && length > 0) {
        const quint32 offset = record->dword(CyRequestRecord::DataOffset);
        if (offset >= CyRequestRecord::Size && quint64(offset) + quint32(length) <= record->size())
            std::memcpy(buffer, record->data() + offset, size_t(length));
    }
    const quint32 packetBytes = record->dword(CyRequestRecord::PacketLength);
    const quint32 packetOffset = record->dword(CyRequestRecord::PacketOffset);
    if (packets && length > 0 && packetOffset && quint64(packetOffset) + packetBytes <= record->size())
        std::memcpy(packets, record->data() + packetOffset, packetBytes);
    return finished && UsbdStatus == 0 && DriverStatus == 0;
}

bool CCyUSBEndPoint::XferData(quint8 *buffer, qint32 &length, CCyIsoPktInfo *packets)
{
    CyOverlapped overlapped;
    Context context = BeginDataXfer(buffer, length, &overlapped);
    const bool waited = WaitForXfer(&overlapped);
    const bool finished = FinishDataXfer(buffer, length, &overlapped, context, packets);
    return waited && finished;
}

// In packet mode an IN transfer goes one MaxPktSize piece at a time and ends
// early at a short piece.
bool CCyUSBEndPoint::XferData(quint8 *buffer, qint32 &length, CCyIsoPktInfo *packets,
                              bool packetMode)
{
    if (!packetMode || !bIn || MaxPktSize == 0)
        return XferData(buffer, length, packets);
    const qint32 wanted = length;
    qint32 done = 0;
    bool ok = true;
    while (done < wanted) {
        qint32 piece = qMin<qint32>(MaxPktSize, wanted - done);
        const qint32 asked = piece;
        ok = XferData(buffer + done, piece, packets);
        done += piece;
        if (!ok || piece < asked)
            break;
    }
    length = done;
    return ok;
}

bool CCyUSBEndPoint::Abort()
{
    if (!DriverHandle)
        return false;
    CyOverlapped overlapped;
    overlapped.timeoutMs = abortWaitMs;
    quint8 address = Address;
    if (!DriverHandle->ioControl(CyIoctl::EndpointAbort, &address, 1, nullptr, 0, nullptr, &overlapped)
        && DriverHandle->lastError() == CyError::IoPending)
        DriverHandle->waitFor(overlapped, abortWaitMs);
    return true;
}

bool CCyUSBEndPoint::Reset()
{
    if (!DriverHandle)
        return false;
    quint8 address = Address;
    if (DriverHandle->ioControl(CyIoctl::EndpointReset, &address, 1, nullptr, 0, nullptr, nullptr))
        return true;
    LastError = DriverHandle->lastError();
    return false;
}

quint32 CCyUSBEndPoint::GetXferSize()
{
    if (!DriverHandle)
        return 0;
    quint8 record[5] = {Address};
    quint32 returned = 0;
    DriverHandle->ioControl(CyIoctl::GetTransferSize, record, 5, record, 5, &returned, nullptr);
    if (returned >= 5)
        return CyRequestRecord::read32(record + 1);
    LastError = DriverHandle->lastError();
    return 0;
}

void CCyUSBEndPoint::SetXferSize(quint32 size)
{
    if (!DriverHandle || MaxPktSize == 0)
        return;
    const quint32 rest = size % MaxPktSize;
    if (rest)
        size += MaxPktSize - rest;
    quint8 record[5] = {Address};
    CyRequestRecord::write32(record + 1, size);
    quint32 returned = 0;
    DriverHandle->ioControl(CyIoctl::SetTransferSize, record, 5, record, 5, &returned, nullptr);
}
