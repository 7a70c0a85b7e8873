#include "CCyFX3Device.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QVector>
#include <cstring>

#include "CCyControlEndPoint.h"

namespace {
const quint8 ramRequest = 0xA0;
const quint8 i2cWriteRequest = 0xBA;
const quint8 i2cReadRequest = 0xBB;
const quint8 spiEraseRequest = 0xC4;
const quint8 spiWriteRequest = 0xC2;
const qint32 maxControlPiece = 0xFFFF;
const qint32 ramPiece = 2048;
const qint32 i2cPiece = 2048;
const qint32 spiChunk = 2048;
const qint64 spiSector = 65536;
const qint64 spiPage = 256;
const int ramAttempts = 3;
const int sectionHeader = 8;
const int firstSection = 4;

quint32 read32(const quint8 *p)
{
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

struct EepromSize
{
    qint64 bytes;
    bool largeAddressing;
};

// EEPROM size by the code in bits 1 to 3 of image byte 2; codes 0 and 1 are
// not supported.
const QMap<int, EepromSize> &eepromSizes()
{
    static const QMap<int, EepromSize> sizes = {
        {2, {4096, false}},  {3, {8192, false}},  {4, {16384, false}},
        {5, {32768, false}}, {6, {65536, false}}, {7, {65536, true}},
    };
    return sizes;
}
}

bool CCyFX3Device::controlXfer(quint8 request, quint16 value, quint16 index, quint8 *buffer,
                               qint32 length, bool in)
{
    return ControlEndPoint && ControlEndPoint->vendorXfer(in, request, value, index, buffer, length);
}

// Each piece goes through its own scratch buffer, so a short IN answer never
// leaves stale bytes behind in the caller's buffer.
bool CCyFX3Device::VendorControlXfer(quint8 *buffer, quint8 request, quint32 value, qint32 length,
                                     bool in)
{
    const quint16 low = quint16(value);
    const quint16 high = quint16(value >> 16);
    if (length < 0)
        return false;
    if (length == 0)
        return controlXfer(request, low, high, nullptr, 0, in);
    for (qint32 done = 0; done < length;) {
        const qint32 piece = qMin(maxControlPiece, length - done);
        QByteArray scratch(piece, '\0');
        auto *bytes = reinterpret_cast<quint8 *>(scratch.data());
        if (!in)
            std::memcpy(bytes, buffer + done, size_t(piece));
        if (!controlXfer(request, low, high, bytes, piece, in))
            return false;
        if (in)
            std::memcpy(buffer + done, bytes, size_t(piece));
        done += piece;
    }
    return true;
}

bool CCyFX3Device::WriteToDevice(quint8 request, quint32 address, quint8 *buffer, qint32 length)
{
    return VendorControlXfer(buffer, request, address, length, false);
}

bool CCyFX3Device::ReadFromDevice(quint8 request, quint32 address, quint8 *buffer, qint32 length)
{
    return VendorControlXfer(buffer, request, address, length, true);
}

bool CCyFX3Device::SetProgramEntry(quint8 request, quint32 address)
{
    return VendorControlXfer(nullptr, request, address, 0, false);
}

bool CCyFX3Device::ProbeBootLoader()
{
    quint8 byte = 0;
    return VendorControlXfer(&byte, ramRequest, 0, 1, true);
}

bool CCyFX3Device::parseSections(const quint8 *image, qint64 size, QVector<Section> &sections)
{
    qint64 at = firstSection;
    for (;;) {
        if (at + sectionHeader > size)
            return false;
        const qint64 length = qint64(read32(image + at)) * 4;
        const quint32 address = read32(image + at + 4);
        at += sectionHeader;
        sections.append({address, at, length});
        if (length == 0)
            return true;
        if (length > size - at)
            return false;
        at += length;
    }
}

// A piece is written and read back until it reads back equal, at most three
// times.
bool CCyFX3Device::sendChecked(quint8 request, quint32 address, const quint8 *data, qint32 length)
{
    QByteArray out(reinterpret_cast<const char *>(data), length);
    QByteArray back(length, '\0');
    for (int attempt = 0; attempt < ramAttempts; ++attempt) {
        if (!WriteToDevice(request, address, reinterpret_cast<quint8 *>(out.data()), length)
            || !ReadFromDevice(request, address, reinterpret_cast<quint8 *>(back.data()), length))
            return false;
        if (back == out)
            return true;
    }
    return false;
}

// The program is in RAM whatever the entry request gives back: a boot loader
// that jumps to the program may never answer it. Only a refusal is noted.
void CCyFX3Device::startProgram(quint8 request, quint32 address)
{
    if (!SetProgramEntry(request, address) && ControlEndPoint && ControlEndPoint->stalled())
        qWarning("FX3 device: the device refused the program entry at 0x%08X", address);
}

int CCyFX3Device::DownloadToRam(const quint8 *image, qint64 size, quint8 request)
{
    QVector<Section> sections;
    if (!parseSections(image, size, sections))
        return CorruptImage;
    for (const Section &section : sections) {
        if (section.length == 0) {
            startProgram(request, section.address);
            return Success;
        }
        for (qint64 done = 0; done < section.length; done += ramPiece) {
            const qint32 piece = qint32(qMin<qint64>(ramPiece, section.length - done));
            if (!sendChecked(request, quint32(section.address + done), image + section.offset + done, piece))
                return Failed;
        }
    }
    return Success;
}

int CCyFX3Device::DownloadImageToRam(const quint8 *image, qint64 size, quint8 request)
{
    if (size < 2 || image[0] != 'C' || image[1] != 'Y')
        return InvalidSignature;
    return DownloadToRam(image, size, request);
}

int CCyFX3Device::DownloadToI2cEeprom(const quint8 *image, qint64 size, quint8 request)
{
    if (size < 3 || !eepromSizes().contains((image[2] >> 1) & 7))
        return I2cSizeUnsupported;
    const EepromSize eeprom = eepromSizes().value((image[2] >> 1) & 7);
    quint16 device = 0;
    quint16 index = 0;
    const qint64 whole = size - size % i2cPiece;
    for (qint64 offset = 0; offset < whole;) {
        QByteArray piece(reinterpret_cast<const char *>(image + offset), i2cPiece);
        if (!controlXfer(request, device, index, reinterpret_cast<quint8 *>(piece.data()), i2cPiece, false))
            return Failed;
        offset += i2cPiece;
        index = quint16(index + i2cPiece);
        if (offset % eeprom.bytes == 0) {
            if (eeprom.largeAddressing)
                device = offset <= 0x1FFFF ? 4 : (device == 4 ? 1 : 5);
            else
                device = quint16((device + 1) % 8);
            index = 0;
        }
    }
    if (whole == size)
        return Success;
    // The rest goes out padded with zeros to whole control packets.
    const qint32 rest = qint32(size - whole);
    const qint32 packet = ControlEndPoint ? ControlEndPoint->MaxPktSize : 0;
    const qint32 padded = packet ? (rest + packet - 1) / packet * packet : rest;
    QByteArray last(padded, '\0');
    std::memcpy(last.data(), image + whole, size_t(rest));
    auto *bytes = reinterpret_cast<quint8 *>(last.data());
    const bool written = controlXfer(request, device, index, bytes, padded, false);
    const bool readBack = written && controlXfer(i2cReadRequest, device, index, bytes, padded, true);
    return readBack ? Success : Failed;
}

bool CCyFX3Device::EraseSpiSector(quint16 sector, quint8 request)
{
    if (!controlXfer(request, 1, sector, nullptr, 0, false))
        return false;
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        quint8 status = 1;
        if (!controlXfer(request, 0, sector, &status, 1, true))
            return false;
        if (status == 0)
            return true;
        if (clock.elapsed() > eraseWaitMs) {
            qWarning("FX3 device: SPI sector %u still busy after %d ms", sector, eraseWaitMs);
            return false;
        }
    }
}

bool CCyFX3Device::WriteSpiChunk(quint8 *buffer, qint32 length, quint32 offset, quint8 request)
{
    return controlXfer(request, 0, quint16(offset / spiPage), buffer, length, false);
}

// Flash bytes past the image are written as 0xFF, the erased state.
int CCyFX3Device::DownloadToSpiFlash(const quint8 *image, qint64 size, quint8 request)
{
    const qint64 sectors = (size + spiSector - 1) / spiSector;
    if (sectors > 0x10000)
        return CorruptImage;
    for (qint64 sector = 0; sector < sectors; ++sector)
        if (!EraseSpiSector(quint16(sector), request))
            return SpiEraseFailed;
    const qint64 padded = (size + spiPage - 1) / spiPage * spiPage;
    for (qint64 offset = 0; offset < padded; offset += spiChunk) {
        const qint32 length = qint32(qMin<qint64>(spiChunk, padded - offset));
        QByteArray chunk(length, char(0xFF));
        const qint64 fromImage = qBound<qint64>(0, size - offset, length);
        std::memcpy(chunk.data(), image + offset, size_t(fromImage));
        if (!WriteSpiChunk(reinterpret_cast<quint8 *>(chunk.data()), length, quint32(offset), spiWriteRequest))
            return Failed;
    }
    return Success;
}

int CCyFX3Device::DownloadFw(const QString &fileName, int medium)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return FileUnreadable;
    const qint64 size = file.size();
    const QByteArray image = file.readAll();
    if (size == 0 || image.size() != size)
        return FileUnreadable;
    const auto *bytes = reinterpret_cast<const quint8 *>(image.constData());
    switch (medium) {
    case Ram:
        return DownloadImageToRam(bytes, size, ramRequest);
    case I2cEeprom:
        return DownloadToI2cEeprom(bytes, size, i2cWriteRequest);
    case SpiFlash:
        return DownloadToSpiFlash(bytes, size, spiEraseRequest);
    default:
        return InvalidMedium;
    }
}
