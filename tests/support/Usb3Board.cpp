#include "Usb3Board.h"

#include <cstring>

namespace {
QByteArray stringDescriptor(const QString &text)
{
    QByteArray bytes;
    bytes.append(char(2 + 2 * text.size()));
    bytes.append(char(3));
    for (const QChar c : text) {
        bytes.append(char(c.unicode() & 0xFF));
        bytes.append(char(c.unicode() >> 8));
    }
    return bytes;
}
}

Usb3Board::Usb3Board()
    : deviceDescriptor(QByteArray::fromHex("12 01 0003 00 00 00 09 0912 10f0 0001 01 02 03 01")),
      configDescriptor(standardConfig()),
      bosDescriptor(QByteArray::fromHex("05 0f 1600 02"
                                     "07 10 02 02000000"
                                     "0a 10 03 00 0e00 01 0a ff07")),
      image(128, '\0')
{
    strings.insert(0, QByteArray::fromHex("04030904"));
    strings.insert(1, stringDescriptor("Korvane"));
    strings.insert(2, stringDescriptor("KV2260 USB3 board"));
    strings.insert(3, stringDescriptor("0001"));
}

// Interface 0 with alternate setting 0 (no endpoints) and 1 (bulk 0x01 OUT
// and 0x81 IN of 1024 bytes, each with its companion).
QByteArray Usb3Board::standardConfig()
{
    return QByteArray::fromHex("09 02 3500 01 01 00 80 32"
                               "09 04 00 00 00 ff 00 00 00"
                               "09 04 00 01 02 ff 00 00 00"
                               "07 05 01 02 0004 00  06 30 00 00 0000"
                               "07 05 81 02 0004 00  06 30 00 00 0000");
}

QByteArray Usb3Board::descriptors() const
{
    std::lock_guard<std::mutex> guard(mutex);
    // The system lists one copy of the configuration per configuration the
    // device claims.
    QByteArray all = deviceDescriptor;
    for (int n = 0; n < (deviceDescriptor.size() > 17 ? quint8(deviceDescriptor.at(17)) : 0); ++n)
        all += configDescriptor;
    return all;
}

int Usb3Board::put(const QByteArray &bytes, const UsbSetup &setup, quint8 *data)
{
    const int count = qMin<int>(bytes.size(), setup.length);
    std::memcpy(data, bytes.constData(), size_t(count));
    return count;
}

int Usb3Board::answerDescriptor(const UsbSetup &setup, quint8 *data)
{
    switch (setup.value >> 8) {
    case 1:
        return put(deviceDescriptor, setup, data);
    case 2: {
        QByteArray sent = configDescriptor;
        if (configBytesSent >= 0 && setup.length > 9)
            sent.truncate(configBytesSent);
        return put(sent, setup, data);
    }
    case 3:
        if (!strings.contains(setup.value & 0xFF))
            return -1;
        return put(strings.value(setup.value & 0xFF), setup, data);
    case 15:
        return bosDescriptor.isEmpty() ? -1 : put(bosDescriptor, setup, data);
    default:
        return -1;
    }
}

int Usb3Board::control(const UsbSetup &setup, quint8 *data)
{
    std::lock_guard<std::mutex> guard(mutex);
    log << setup.text();
    if (setup.requestType == 0x80 && setup.request == 6)
        return answerDescriptor(setup, data);
    const bool registerRequest = (setup.request == 0xB5 || setup.request == 0xB3) && setup.length == 1;
    if (registerRequest && silent)
        return NoAnswer;
    if (registerRequest && requestsUntilStall > 0 && --requestsUntilStall == 0)
        return -1;
    if (setup.requestType == 0xC0 && setup.request == 0xB5 && setup.length == 1) {
        if (emptyReads)
            return 0;
        data[0] = quint8(image.at(setup.index & 0x7F));
        return 1;
    }
    if (setup.requestType == 0x40 && setup.request == 0xB3 && setup.length == 1) {
        log.last() += QString::asprintf(" %02x", data[0]);
        image[setup.index & 0x7F] = char(data[0]);
        return 1;
    }
    return -1;
}

quint8 Usb3Board::value(int reg) const
{
    std::lock_guard<std::mutex> guard(mutex);
    return quint8(image.at(reg));
}

void Usb3Board::setValue(int reg, quint8 value)
{
    std::lock_guard<std::mutex> guard(mutex);
    image[reg] = char(value);
}

QByteArray Usb3Board::registers() const
{
    std::lock_guard<std::mutex> guard(mutex);
    return image;
}

void Usb3Board::stallRegisterRequest(int n)
{
    std::lock_guard<std::mutex> guard(mutex);
    requestsUntilStall = n;
}

void Usb3Board::answerReadsEmpty(bool empty)
{
    std::lock_guard<std::mutex> guard(mutex);
    emptyReads = empty;
}

void Usb3Board::setString(int index, const QByteArray &descriptor)
{
    std::lock_guard<std::mutex> guard(mutex);
    strings.insert(index, descriptor);
}

void Usb3Board::ignoreRegisterRequests(bool ignore)
{
    std::lock_guard<std::mutex> guard(mutex);
    silent = ignore;
}
