#pragma once
#include <QString>

#include "CCyUSBDevice.h"

// A device that runs the FX3 boot loader: firmware images go to its RAM, to
// an I2C EEPROM or to an SPI flash behind it, by vendor requests on its
// control endpoint. Every image is checked whole before any of it is sent.
class CCyFX3Device : public CCyUSBDevice
{
public:
    // Results of the download operations.
    enum Result {
        Success = 0,
        Failed = 1,               // a request failed, or a RAM piece never read back equal
        InvalidMedium = 2,        // not 1 (RAM), 2 (I2C EEPROM) or 3 (SPI flash)
        InvalidSignature = 3,     // the image does not begin with "CY"
        CorruptImage = 5,         // a section or its header runs past the image
        FileUnreadable = 6,       // the file cannot be opened or read, or is empty
        SpiEraseFailed = 7,       // a flash sector did not erase
        PieceTooLong = 8,         // a RAM piece longer than the whole image (sections are
                                  // checked against the image first, so never returned)
        I2cSizeUnsupported = 9,   // EEPROM size code 0 or 1, or no size code at all
    };
    enum Medium { Ram = 1, I2cEeprom = 2, SpiFlash = 3 };

    using CCyUSBDevice::CCyUSBDevice;

    // One vendor request; wValue is the low and wIndex the high half of
    // `value`. Data of any length goes in pieces of at most 65535 bytes.
    bool VendorControlXfer(quint8 *buffer, quint8 request, quint32 value, qint32 length, bool in);
    bool WriteToDevice(quint8 request, quint32 address, quint8 *buffer, qint32 length);
    bool ReadFromDevice(quint8 request, quint32 address, quint8 *buffer, qint32 length);
    // The data-less request that starts the program at `address`.
    bool SetProgramEntry(quint8 request, quint32 address);
    bool ProbeBootLoader();
    // Erases one 64 KiB sector and waits for the flash to report it done,
    // at most eraseWaitMs.
    bool EraseSpiSector(quint16 sector, quint8 request);
    bool WriteSpiChunk(quint8 *buffer, qint32 length, quint32 offset, quint8 request);

    int DownloadToRam(const quint8 *image, qint64 size, quint8 request);
    // The same after checking the "CY" signature.
    int DownloadImageToRam(const quint8 *image, qint64 size, quint8 request);
    int DownloadToI2cEeprom(const quint8 *image, qint64 size, quint8 request);
    int DownloadToSpiFlash(const quint8 *image, qint64 size, quint8 request);
    int DownloadFw(const QString &fileName, int medium);

    // How long a sector erase may take.
    int eraseWaitMs = 10000;

private:
    struct Section
    {
        quint32 address;
        qint64 offset;
        qint64 length;
    };
    // The sections of a RAM image, the entry last with length 0; false when
    // a header or a section runs past the image.
    static bool parseSections(const quint8 *image, qint64 size, QVector<Section> &sections);
    void startProgram(quint8 request, quint32 address);
    bool sendChecked(quint8 request, quint32 address, const quint8 *data, qint32 length);
    bool controlXfer(quint8 request, quint16 value, quint16 index, quint8 *buffer, qint32 length,
                     bool in);
};
