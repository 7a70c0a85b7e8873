#pragma once
#include <QtGlobal>
#include <vector>

// The 38-byte request record that goes to the driver, packed and
// little-endian, followed by the bytes of the data stage in the same buffer:
//
//   0 bmRequestType   1 bRequest   2 wValue   4 wIndex   6 wLength
//   8 time-out in whole seconds   12 reserved   13 endpoint address
//  14 driver status word   18 USB status word
//  22 offset and 26 length of the isochronous packet records
//  30 offset and 34 length of the data
class CyRequestRecord
{
public:
    static constexpr quint32 Size = 38;

    enum Field : quint32 {
        RequestType = 0,
        Request = 1,
        Value = 2,
        Index = 4,
        Length = 6,
        TimeoutSeconds = 8,
        Endpoint = 13,
        DriverStatus = 14,
        UsbdStatus = 18,
        PacketOffset = 22,
        PacketLength = 26,
        DataOffset = 30,
        DataLength = 34,
    };

    // A zeroed record with room for `extra` bytes behind it.
    explicit CyRequestRecord(quint32 extra = 0) : bytes(Size + extra, 0) {}

    // A control request on endpoint 0 with `length` data bytes behind the
    // record.
    static CyRequestRecord control(quint8 requestType, quint8 request, quint16 value,
                                   quint16 index, quint16 length, quint32 timeoutSeconds);

    quint8 *data() { return bytes.data(); }
    const quint8 *data() const { return bytes.data(); }
    quint32 size() const { return quint32(bytes.size()); }
    // The data stage, where the data offset field points.
    quint8 *payload() { return bytes.data() + Size; }

    quint8 byte(Field field) const { return bytes[field]; }
    void setByte(Field field, quint8 value) { bytes[field] = value; }
    quint16 word(Field field) const { return read16(bytes.data() + field); }
    void setWord(Field field, quint16 value) { write16(bytes.data() + field, value); }
    quint32 dword(Field field) const { return read32(bytes.data() + field); }
    void setDword(Field field, quint32 value) { write32(bytes.data() + field, value); }

    static quint16 read16(const quint8 *p) { return quint16(p[0] | p[1] << 8); }
    static quint32 read32(const quint8 *p)
    {
        return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
    }
    static void write16(quint8 *p, quint16 v)
    {
        p[0] = quint8(v);
        p[1] = quint8(v >> 8);
    }
    static void write32(quint8 *p, quint32 v)
    {
        for (int i = 0; i < 4; ++i)
            p[i] = quint8(v >> (8 * i));
    }

private:
    std::vector<quint8> bytes;
};
