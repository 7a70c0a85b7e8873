#pragma once
#include <QByteArray>
#include <QList>
#include <QMap>

#include "UsbControlFunction.h"

// An FX3 boot loader on endpoint 0 (USB 2 descriptors, 64-byte control
// packets): vendor request 0xA0 writes and reads its RAM at the address
// wValue + 65536 * wIndex, and without data sets the program entry; 0xBA
// writes and 0xBB reads an I2C EEPROM; 0xC4 erases an SPI flash sector
// (wValue 1) or reads the erase status (wValue 0, 1 byte, 0 when done), 0xC2
// writes a flash page run at page wIndex.
class Fx3BootLoader : public UsbControlFunction
{
public:
    Fx3BootLoader();

    QByteArray descriptors() const override;
    int control(const UsbSetup &setup, quint8 *data) override;

    // The next `count` RAM reads come back with their first byte changed.
    void corruptReadBacks(int count);
    // Each erase reports busy for `polls` status reads; -1 for ever.
    void setErasePolls(int polls);
    // The program entry request stalls.
    void refuseEntry(bool refuse);

    QByteArray ram(quint32 address, int length) const;
    qint64 entry() const;
    QByteArray flash() const;
    QByteArray eepromBytes() const;
    QList<int> erasedSectors() const;

private:
    int answerDescriptor(const UsbSetup &setup, quint8 *data) const;
    int ramRequest(const UsbSetup &setup, quint8 *data);
    int spiRequest(const UsbSetup &setup, quint8 *data);

    QByteArray deviceDescriptor;
    QByteArray configDescriptor;
    QMap<quint32, quint8> memory;
    qint64 entryAddress = -1;
    int corruptLeft = 0;
    bool entryRefused = false;
    int erasePolls = 1;
    int busyLeft = 0;
    QByteArray flashImage;
    QList<int> erased;
    QByteArray eeprom;
};
