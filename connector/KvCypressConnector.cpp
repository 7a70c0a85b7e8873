#include "KvCypressConnector.h"

#include <QDebug>
#include <QMap>
#include <cstring>

#include "CCyControlEndPoint.h"
#include "CCyUSBDevice.h"

namespace {
const char boardPrefix[] = "USB#";
const char boardMatch[] = "vid_1209&pid_f010";
const quint8 readRequest = 0xB5;
const quint8 writeRequest = 0xB3;

// The device path narrowed to its low bytes and lower-cased, as the boards
// are matched.
bool isBoard(const QString &path)
{
    QByteArray narrow;
    for (const QChar unit : path)
        narrow.append(char(unit.unicode() & 0xFF));
    narrow.truncate(int(qstrnlen(narrow.constData(), uint(narrow.size()))));
    return QString::fromLatin1(narrow).toLower().contains(QLatin1String(boardMatch));
}

// The driver index of the board with the given ordinal among the boards, by
// what enumeration gives: -1 when there is none.
int boardIndex(int ordinal, const QVector<CyDriver::Device> &devices)
{
    int boards = 0;
    for (int i = 0; i < devices.size(); ++i)
        if (isBoard(devices.at(i).path) && boards++ == ordinal)
            return i;
    return -1;
}

const QMap<int, const char *> &errorTexts()
{
    static const QMap<int, const char *> texts = {
        {KvConnectorInterface::InvalidDeviceName, "Invalid device name"},
        {KvConnectorInterface::CannotOpenInterface, "Cannot open interface"},
        {KvConnectorInterface::ReadXferError, "Read Xfer error"},
        {KvConnectorInterface::WriteXferError, "Write Xfer error"},
    };
    return texts;
}
}

int buildDeviceList(QString &names, CyDriver *driver)
{
    const QVector<CyDriver::Device> devices = (driver ? *driver : CyDriver::instance()).devices(CyDriver::interfaceClass());
    int boards = 0;
    QStringList found;
    for (int i = 0; i < devices.size(); ++i) {
        const CyDriver::Device &device = devices.at(i);
        const bool match = isBoard(device.path);
        qDebug("AAA");
        qDebug("Device[%2d]: 0x%04X 0x%04X %s", i, device.vendorId, device.productId,
               match ? "***" : "");
        if (match)
            found << QLatin1String(boardPrefix) + QString::number(boards++);
    }
    names += found.join(QLatin1Char('|'));
    return boards;
}

KvCypressConnector::KvCypressConnector(QObject *) : QObject(nullptr)
{
}

KvCypressConnector::~KvCypressConnector() = default;

CyDriver &KvCypressConnector::driver()
{
    return usbDriver ? *usbDriver : CyDriver::instance();
}

const char *KvCypressConnector::errorString(int code)
{
    return errorTexts().value(code, "Unknown error");
}

QString KvCypressConnector::boardNames()
{
    QString names;
    buildDeviceList(names, &driver());
    return names;
}

// A list longer than the buffer ends at the last whole name that fits.
char *KvCypressConnector::deviceList()
{
    std::memset(listBuffer, 0, sizeof listBuffer);
    QByteArray names = boardNames().toLatin1();
    if (names.size() >= ListBufferSize) {
        names.truncate(ListBufferSize - 1);
        names.truncate(qMax(names.lastIndexOf('|'), 0));
    }
    std::memcpy(listBuffer, names.constData(), size_t(names.size()));
    return listBuffer;
}

int KvCypressConnector::open(const char *name)
{
    QString ordinalText = QString::fromLatin1(name ? name : "");
    ordinalText.remove(QLatin1String(boardPrefix));
    bool isNumber = false;
    const int ordinal = ordinalText.toInt(&isNumber);
    if (!isNumber)
        return InvalidDeviceName;
    if (!device)
        device.reset(new CCyUSBDevice(false, driver()));
    // One listing finds the board and serves its opening.
    const QVector<CyDriver::Device> devices = device->PresentDevices();
    const int index = ordinal < 0 ? -1 : boardIndex(ordinal, devices);
    if (index < 0 || index > 0xFF || !device->Open(quint8(index), devices)) {
        close();
        return CannotOpenInterface;
    }
    // The last alternate setting of the interface is the one the board's
    // firmware serves registers on.
    for (int alt = 0; alt <= device->AltIntfcCount(); ++alt)
        device->SetAltIntfc(quint8(alt));
    return 0;
}

void KvCypressConnector::close()
{
    device.reset();
}

bool KvCypressConnector::lastRequestUnanswered() const
{
    return device && device->ControlEndPoint && device->ControlEndPoint->unanswered();
}

// One vendor request on endpoint 0 whose data stage is exactly one byte.
bool KvCypressConnector::oneByte(bool in, quint8 request, quint16 value, quint16 index, quint8 &byte)
{
    return device && device->ControlEndPoint
           && device->ControlEndPoint->vendorXfer(in, request, value, index, &byte, 1);
}

// The value goes out as wValue and its low byte as the data stage; what the
// board sent back replaces it, whether the request succeeded or not.
int KvCypressConnector::readRegister(int address, int *value)
{
    quint8 byte = quint8(*value);
    const bool ok = oneByte(true, readRequest, quint16(*value), quint16(address), byte);
    *value = byte;
    return ok ? 0 : ReadXferError;
}

int KvCypressConnector::writeRegister(int address, int value)
{
    quint8 byte = quint8(value);
    return oneByte(false, writeRequest, 0, quint16(address & 0xFF), byte) ? 0 : WriteXferError;
}
