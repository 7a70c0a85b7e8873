#pragma once
#include <QByteArray>
#include <QMap>

#include "UsbControlFunction.h"

// The USB3 evaluation board on endpoint 0: USB 3 descriptors (two alternate
// settings of interface 0, the second with bulk endpoints and their
// SuperSpeed companions, and a BOS), English strings, and a 128-register
// image read with vendor request 0xB5 (wIndex = register) and written with
// 0xB3. Standard GET_DESCRIPTOR requests are answered from the tables.
class Usb3Board : public UsbControlFunction
{
public:
    Usb3Board();

    QByteArray descriptors() const override;
    int speed() const override { return 5000; }
    int control(const UsbSetup &setup, quint8 *data) override;

    quint8 value(int reg) const;
    void setValue(int reg, quint8 value);
    QByteArray registers() const;

    // Faults on request.
    // The n-th register request from now (1 = the next), read or write,
    // stalls.
    void stallRegisterRequest(int n);
    // Register reads answer with no data byte.
    void answerReadsEmpty(bool empty);
    // Register requests get no answer at all.
    void ignoreRegisterRequests(bool ignore);

    // Descriptor tables, changeable to build malformed devices.
    QByteArray deviceDescriptor;
    QByteArray configDescriptor;
    QByteArray bosDescriptor;
    // Bytes of the configuration descriptor the board really sends; -1 for
    // all of it.
    int configBytesSent = -1;

    // Replaces string descriptor `index` (0: the language IDs).
    void setString(int index, const QByteArray &descriptor);

    static QByteArray standardConfig();

private:
    int answerDescriptor(const UsbSetup &setup, quint8 *data);
    static int put(const QByteArray &bytes, const UsbSetup &setup, quint8 *data);

    QByteArray image;
    QMap<int, QByteArray> strings;
    int requestsUntilStall = 0;
    bool emptyReads = false;
    bool silent = false;
};
