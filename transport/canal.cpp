#include "canal.h"

#include <QDeadlineTimer>
#include <QDebug>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <libusb.h>

#include "LibusbBackend.h"

namespace {
const quint16 usb3Vid = 0x1209;
const quint16 usb3Pid = 0xF010;
// The first built-in UART, which is never a board.
const char builtinUart[] = "ttyS0";
const int boardInterface = 0;
const unsigned char bulkOut = 0x02;
const unsigned char bulkIn = 0x81;
}

canal::canal() : usb(&LibusbBackend::instance())
{
}

canal::~canal()
{
    releaseUsb();
}

bool canal::readRegister(quint8, int, quint8 *)
{
    return false;
}

bool canal::readRegisterBlock(quint8, int, quint8 **)
{
    return false;
}

bool canal::readRegisterAutoInc(quint8, int, int, quint8 **)
{
    return false;
}

bool canal::writeRegister(quint8, int, quint8 *)
{
    return false;
}

bool canal::writeRegisterBlock(quint8, int, quint8 *)
{
    return false;
}

bool canal::writeRegisterAutoInc(quint8, int, int, quint8 *)
{
    return false;
}

bool canal::sendPacket(int, quint8 **)
{
    return false;
}

// The Atmel boards, then the USB3 boards, then every serial port but the
// built-in UART. A failing USB enumeration is reported and the serial ports
// are still listed.
QStringList canal::deviceList()
{
    QMutexLocker guard(&lock);
    QStringList atmelBoards, usb3Boards;
    listUsbBoards(atmelBoards, usb3Boards);
    QStringList names = atmelBoards + usb3Boards;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        if (info.portName() != QLatin1String(builtinUart))
            names << info.portName();
    return names;
}

bool canal::listUsbBoards(QStringList &atmelBoards, QStringList &usb3Boards)
{
    QMutexLocker guard(&lock);
    libusb_context *context = nullptr;
    if (!startUsb(&context))
        return false;
    QVector<UsbDevice> devices;
    libusb_device **list = readUsbDevices(context, devices);
    if (!list) {
        usb->exit(context);
        return false;
    }
    quint8 usb3Counter = 0;
    for (const UsbDevice &device : qAsConst(devices)) {
        if (device.vendor == usbVid && device.product == usbPid)
            atmelBoards << keyOf(device.device);
        else if (device.vendor == usb3Vid && device.product == usb3Pid)
            usb3Boards << QStringLiteral("USB#") + QString::number(usb3Counter++);
    }
    usb->freeDeviceList(list, 1);
    usb->exit(context);
    return true;
}

QString canal::keyOf(libusb_device *device) const
{
    return boardKey(usb->getBusNumber(device), usb->getDeviceAddress(device));
}

bool canal::startUsb(libusb_context **context)
{
    if (usb->init(context) == 0)
        return true;
    *context = nullptr;
    report("ошибка подключения библиотеки", "Error: libusb_init", Failure::Unreachable);
    return false;
}

// The devices of a started context in libusb's order, with their ids;
// devices whose descriptor cannot be read are reported and left out. Null
// (reported) when there is no list; otherwise the caller frees it.
libusb_device **canal::readUsbDevices(libusb_context *context, QVector<UsbDevice> &devices)
{
    libusb_device **list = nullptr;
    const long count = usb->getDeviceList(context, &list);
    if (count < 0) {
        failure = Failure::Unreachable;
        emit send_message(QStringLiteral("Error: libusb_get_device_list"));
        qDebug().noquote() << QStringLiteral("ошибка получения списка устройств");
        return nullptr;
    }
    for (long i = 0; i < count; ++i) {
        libusb_device_descriptor descriptor;
        if (usb->getDeviceDescriptor(list[i], &descriptor) != 0) {
            report("нет отзыва от устройства", "Warning: libusb_get_device_descriptor is empty",
                   Failure::None);
            continue;
        }
        devices.append({list[i], descriptor.idVendor, descriptor.idProduct});
    }
    return list;
}

// A name that starts with "/" is a device path (pseudo-terminals are never
// listed); any other must be the exact name of a listed port.
bool canal::openSerial(QSerialPort *port, QString name, int baud)
{
    QMutexLocker guard(&lock);
    QString portName;
    if (name.startsWith(QLatin1Char('/'))) {
        portName = name;
    } else {
        for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
            if (info.portName() == name) {
                portName = info.portName();
                break;
            }
        if (portName.isEmpty())
            return false;
    }
    port->setPortName(portName);
    if (!port->open(QIODevice::ReadWrite))
        return false;
    const bool configured = port->setBaudRate(baud)
                            && port->setFlowControl(QSerialPort::NoFlowControl)
                            && port->setParity(QSerialPort::NoParity)
                            && port->setDataBits(QSerialPort::Data8)
                            && port->setStopBits(QSerialPort::OneStop);
    port->flush();
    // The port is opened for one operation: whatever already waits in its
    // input is a reply that came after an earlier operation gave up, and
    // must not stand as the answer to this one's first frame.
    port->clear(QSerialPort::Input);
    if (!configured)
        port->close();
    return configured;
}

quint8 canal::reverseBits(quint8 b)
{
    quint8 result = 0;
    for (int k = 0; k < 8; ++k)
        if (b & (1u << k))
            result |= quint8(0x80u >> k);
    return result;
}

QString canal::boardKey(int bus, int address)
{
    return QStringLiteral("%1%2")
        .arg(bus & 0xFF, 2, 16, QLatin1Char('0'))
        .arg(address & 0xFF, 2, 16, QLatin1Char('0'))
        .toUpper();
}

// Opens the Atmel board named by deviceName and claims its interface 0.
// Whatever fails, everything done before it is undone: no libusb context and
// no handle outlives a false result.
bool canal::openUsb()
{
    QMutexLocker guard(&lock);
    usbHandle = nullptr;
    if (!startUsb(&usbContext))
        return false;
    QVector<UsbDevice> devices;
    libusb_device **list = readUsbDevices(usbContext, devices);
    if (!list) {
        releaseUsb();
        return false;
    }
    QMap<QString, libusb_device *> boards;
    for (const UsbDevice &device : qAsConst(devices))
        if (device.vendor == usbVid && device.product == usbPid)
            boards.insert(keyOf(device.device), device.device);
    usbHandle = openBoard(boards);
    usb->freeDeviceList(list, 1);
    if (!usbHandle) {
        report("нет устройства", "Error: device not found", Failure::Unreachable);
        releaseUsb();
        return false;
    }
    if (usb->kernelDriverActive(usbHandle, boardInterface) == 1)
        usb->detachKernelDriver(usbHandle, boardInterface);
    if (usb->claimInterface(usbHandle, boardInterface) != 0) {
        report("нет захвата устройства", "Error: libusb_claim_interface", Failure::Unreachable);
        releaseUsb();
        return false;
    }
    return true;
}

// The board named by deviceName, else the only board there is.
libusb_device_handle *canal::openBoard(const QMap<QString, libusb_device *> &boards)
{
    libusb_device *device = boards.value(deviceName, nullptr);
    if (!device && boards.size() == 1) {
        report("автозамена устройства", "Warning: autocorrect of device name", Failure::None);
        device = boards.first();
    }
    libusb_device_handle *handle = nullptr;
    if (device && usb->open(device, &handle) != 0)
        handle = nullptr;
    return handle;
}

void canal::closeUsb()
{
    QMutexLocker guard(&lock);
    if (usbHandle)
        usb->releaseInterface(usbHandle, boardInterface);
    releaseUsb();
}

// Closes the handle and ends the libusb context, whichever of them is open.
void canal::releaseUsb()
{
    if (usbHandle)
        usb->close(usbHandle);
    if (usbContext)
        usb->exit(usbContext);
    usbHandle = nullptr;
    usbContext = nullptr;
}

int canal::usbWrite(quint8 *buffer, int length)
{
    QMutexLocker guard(&lock);
    int transferred = 0;
    usb->bulkTransfer(usbHandle, bulkOut, buffer, length, &transferred, unsigned(replyTimeout));
    return transferred;
}

int canal::usbRead(quint8 *buffer, int length)
{
    QMutexLocker guard(&lock);
    int transferred = 0;
    usb->bulkTransfer(usbHandle, bulkIn, buffer, length, &transferred, unsigned(replyTimeout));
    return transferred;
}

// A frame the board did not take whole has no reply to wait for: nothing is
// read then, and the result is 0.
int canal::usbTransaction(quint8 *out, quint8 *in, int length)
{
    QMutexLocker guard(&lock);
    if (usbWrite(out, length) != length)
        return 0;
    return usbRead(in, length);
}

canal::Reply canal::collectReply(QSerialPort &port, int expected, int timeoutMs, QByteArray &reply)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (port.bytesAvailable() < expected && !deadline.hasExpired())
        if (!port.waitForReadyRead(int(deadline.remainingTime())))
            break;
    const qint64 arrived = port.bytesAvailable();
    if (arrived == 0)
        return Reply::Silent;
    if (arrived != expected) {
        port.readAll();
        return Reply::WrongLength;
    }
    reply = port.read(expected);
    return Reply::Complete;
}

void canal::report(const char *debugLine, const char *text, Failure kind)
{
    if (kind != Failure::None)
        failure = kind;
    qDebug().noquote() << QString::fromUtf8(debugLine);
    emit send_message(QString::fromLatin1(text));
}

bool canal::acceptRequest(quint8 map, bool argumentsValid)
{
    if (!mapExists(map))
        return false;
    if (argumentsValid)
        return true;
    report("ошибка адресации регистров", "Error: Register does not exist");
    return false;
}

bool canal::openBoardPort(QSerialPort &port, int speed)
{
    if (openSerial(&port, deviceName, speed))
        return true;
    report("com порт недоступен", "Error: OpenSerial", Failure::Unreachable);
    return false;
}

bool canal::mapExists(quint8 map)
{
    if (map == 0)
        return true;
    report("ошибка адресации карт", "Error: Map does not exist");
    return false;
}

void canal::useKv2260Frames(int kind)
{
    csAssertCmd = 0x13;
    csReleaseCmd = 0x14;
    spiCmd = 0x15;
    writeFlag = 0x00;
    readFlag = 0x80;
    autoIncFlag = 0x40;
    cmd20 = 0x20;
    cmd21 = 0x21;
    cmd22 = 0x22;
    cmd23 = 0x23;
    addrBytes = 1;
    blockSize = 32;
    interfaceKind = kind;
}

canal::Operations canal::allOperations()
{
    return ReadRegister | ReadRegisterBlock | ReadRegisterAutoInc | WriteRegister
           | WriteRegisterBlock | WriteRegisterAutoInc | SendPacket;
}
