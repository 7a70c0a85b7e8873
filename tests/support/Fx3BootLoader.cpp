#include "Fx3BootLoader.h"

#include <cstring>

Fx3BootLoader::Fx3BootLoader()
    : deviceDescriptor(QByteArray::fromHex("12 01 0002 00 00 00 40 b404 f300 0100 00 00 00 01")),
      configDescriptor(QByteArray::fromHex("09 02 1200 01 01 00 80 32  09 04 00 00 00 ff 00 00 00"))
{
}

QByteArray Fx3BootLoader::descriptors() const
{
    return deviceDescriptor + configDescriptor;
}

int Fx3BootLoader::answerDescriptor(const UsbSetup &setup, quint8 *data) const
{
    QByteArray bytes;
    switch (setup.value >> 8) {
    case 1:
        bytes = deviceDescriptor;
        break;
    case 2:
        bytes = configDescriptor;
        break;
    default:
        return -1;
    }
    const int count = qMin<int>(bytes.size(), setup.length);
    std::memcpy(data, bytes.constData(), size_t(count));
    return count;
}

int Fx3BootLoader::control(const UsbSetup &setup, quint8 *data)
{
    std::lock_guard<std::mutex> guard(mutex);
    log << setup.text();
    if (setup.requestType == 0x80 && setup.request == 6)
        return answerDescriptor(setup, data);
    if (setup.request == 0xA0)
        return ramRequest(setup, data);
    if (setup.request == 0xBA && !setup.in()) {
        eeprom.append(reinterpret_cast<const char *>(data), setup.length);
        return setup.length;
    }
    if (setup.request == 0xBB && setup.in()) {
        std::memset(data, 0, setup.length);
        return setup.length;
    }
    if (setup.request == 0xC4 || setup.request == 0xC2)
        return spiRequest(setup, data);
    return -1;
}

int Fx3BootLoader::ramRequest(const UsbSetup &setup, quint8 *data)
{
    const quint32 address = setup.value | quint32(setup.index) << 16;
    if (setup.length == 0) {
        if (entryRefused)
            return -1;
        entryAddress = address;
        return 0;
    }
    for (quint32 i = 0; i < setup.length; ++i) {
        if (setup.in())
            data[i] = memory.value(address + i, 0);
        else
            memory[address + i] = data[i];
    }
    if (setup.in() && corruptLeft > 0) {
        --corruptLeft;
        data[0] = quint8(data[0] ^ 0xFF);
    }
    return setup.length;
}

int Fx3BootLoader::spiRequest(const UsbSetup &setup, quint8 *data)
{
    if (setup.request == 0xC2 && !setup.in()) {
        const int at = setup.index * 256;
        if (flashImage.size() < at + setup.length)
            flashImage.resize(at + setup.length);
        std::memcpy(flashImage.data() + at, data, setup.length);
        return setup.length;
    }
    if (!setup.in() && setup.value == 1) {
        erased << setup.index;
        busyLeft = erasePolls;
        return 0;
    }
    if (setup.in() && setup.value == 0 && setup.length == 1) {
        data[0] = busyLeft != 0 ? 1 : 0;
        if (busyLeft > 0)
            --busyLeft;
        return 1;
    }
    return -1;
}

void Fx3BootLoader::corruptReadBacks(int count)
{
    std::lock_guard<std::mutex> guard(mutex);
    corruptLeft = count;
}

void Fx3BootLoader::setErasePolls(int polls)
{
    std::lock_guard<std::mutex> guard(mutex);
    erasePolls = polls;
}

void Fx3BootLoader::refuseEntry(bool refuse)
{
    std::lock_guard<std::mutex> guard(mutex);
    entryRefused = refuse;
}

QByteArray Fx3BootLoader::ram(quint32 address, int length) const
{
    std::lock_guard<std::mutex> guard(mutex);
    QByteArray bytes;
    for (int i = 0; i < length; ++i)
        bytes.append(char(memory.value(address + quint32(i), 0)));
    return bytes;
}

qint64 Fx3BootLoader::entry() const
{
    std::lock_guard<std::mutex> guard(mutex);
    return entryAddress;
}

QByteArray Fx3BootLoader::flash() const
{
    std::lock_guard<std::mutex> guard(mutex);
    return flashImage;
}

QByteArray Fx3BootLoader::eepromBytes() const
{
    std::lock_guard<std::mutex> guard(mutex);
    return eeprom;
}

QList<int> Fx3BootLoader::erasedSectors() const
{
    std::lock_guard<std::mutex> guard(mutex);
    return erased;
}
