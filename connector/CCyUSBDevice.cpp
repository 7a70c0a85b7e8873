#include "CCyUSBDevice.h"

#include <QDebug>
#include <QMap>
#include <cstring>

#include "CCyBulkEndPoint.h"
#include "CCyControlEndPoint.h"
#include "CCyInterruptEndPoint.h"
#include "CCyIsocEndPoint.h"
#include "CyRequestRecord.h"

namespace {
const quint8 getDescriptorRequest = 6;
const quint8 deviceToHost = 0x80;
const quint32 descriptorTimeoutSeconds = 5;
const quint8 deviceType = 1;
const quint8 configType = 2;
const quint8 stringType = 3;
const quint8 bosType = 15;
const int deviceDescriptorLength = 18;
const quint16 englishUs = 0x0409;
const quint32 speedHigh = 2;
const quint32 speedSuper = 4;

const QMap<quint32, const char *> &usbdStatusNames()
{
    static const QMap<quint32, const char *> names = {
        {0xC0000001, "CRC"}, {0xC0000002, "BTSTUFF"}, {0xC0000003, "DATA_TOGGLE_MISMATCH"},
        {0xC0000004, "STALL_PID"}, {0xC0000005, "DEV_NOT_RESPONDING"},
        {0xC0000006, "PID_CHECK_FAILURE"}, {0xC0000007, "UNEXPECTED_PID"},
        {0xC0000008, "DATA_OVERRUN"}, {0xC0000009, "DATA_UNDERRUN"}, {0xC000000A, "RESERVED1"},
        {0xC000000B, "RESERVED2"}, {0xC000000C, "BUFFER_OVERRUN"},
        {0xC000000D, "BUFFER_UNDERRUN"}, {0xC000000F, "NOT_ACCESSED"}, {0xC0000010, "FIFO"},
        {0xC0000030, "ENDPOINT_HALTED"}, {0xC0000A00, "BAD_START_FRAME"},
        {0xC0000B00, "ISOCH_REQUEST_FAILED"}, {0xC0000C00, "FRAME_CONTROL_OWNED"},
        {0xC0000D00, "FRAME_CONTROL_NOT_OWNED"},
    };
    return names;
}

template <typename Role>
void takeFirst(Role *&role, CCyUSBEndPoint *endpoint)
{
    if (!role)
        role = static_cast<Role *>(endpoint);
}

const char *stateName(quint32 status)
{
    switch (status >> 28) {
    case 0x0:
        return "SUCCESS";
    case 0x4:
        return "PENDING";
    case 0x8:
        return "ERROR";
    case 0xC:
        return "STALLED";
    default:
        return "";
    }
}
}

CCyUSBDevice::CCyUSBDevice(bool openFirst, CyDriver &driver) : driver(driver)
{
    if (openFirst)
        Open(0);
}

CCyUSBDevice::~CCyUSBDevice()
{
    Close();
}

QVector<CyDriver::Device> CCyUSBDevice::PresentDevices()
{
    QVector<CyDriver::Device> present = driver.devices(InterfaceClassGuid);
    Devices = quint8(present.size());
    return present;
}

quint8 CCyUSBDevice::DeviceCount()
{
    return quint8(PresentDevices().size());
}

bool CCyUSBDevice::fail(const QString &why)
{
    qWarning().noquote() << QStringLiteral("USB device %1: %2").arg(DeviceNumber).arg(why);
    Close();
    return false;
}

bool CCyUSBDevice::createHandle(quint8 dev, const QVector<CyDriver::Device> &present)
{
    if (dev >= present.size())
        return false;
    const QString path = present.at(dev).path;
    if (path.size() >= TextUnits) {
        qWarning().noquote() << QStringLiteral("USB device %1: path longer than %2 characters: %3")
                                    .arg(dev).arg(TextUnits - 1).arg(path);
        return false;
    }
    DriverHandle = driver.open(path);
    if (!DriverHandle) {
        LastError = driver.lastError();
        return false;
    }
    std::memset(DevicePath, 0, sizeof DevicePath);
    for (int i = 0; i < path.size(); ++i)
        DevicePath[i] = path.at(i).unicode();
    return true;
}

bool CCyUSBDevice::Open(quint8 dev)
{
    return Open(dev, PresentDevices());
}

bool CCyUSBDevice::Open(quint8 dev, const QVector<CyDriver::Device> &present)
{
    if (IsOpen())
        Close();
    if (!createHandle(dev, present)) {
        DeviceNumber = 0;
        return false;
    }
    DeviceNumber = dev;
    if (!readDescriptors())
        return false;
    const quint8 controlDescriptor[7] = {7, 5, 0, 0, quint8(MaxPacket), quint8(MaxPacket >> 8), 0};
    ControlEndPoint = new CCyControlEndPoint(DriverHandle, controlDescriptor);
    if (USBCfgs[0] && USBCfgs[0]->AltInterfaces > 0)
        SetConfig(0);
    return true;
}

bool CCyUSBDevice::readDescriptors()
{
    if (!GetDevDescriptor())
        return fail(QStringLiteral("no device descriptor"));
    if (Configs > MaxConfigs)
        return fail(QStringLiteral("claims %1 configurations").arg(Configs));
    GetLangIDs();
    const auto *descriptor = reinterpret_cast<const quint8 *>(deviceDescriptor.constData());
    GetString(Manufacturer, descriptor[14]);
    GetString(Product, descriptor[15]);
    GetString(SerialNumber, descriptor[16]);
    if (usb3() && GetBosDescriptor() && !buildBos())
        return false;
    readStatus();
    return readConfigs();
}

bool CCyUSBDevice::buildBos()
{
    BosRecord = new CCyUSBBOS(reinterpret_cast<const quint8 *>(bosDescriptor.constData()),
                              bosDescriptor.size());
    if (BosRecord->problem().isEmpty())
        return true;
    return fail(QStringLiteral("Wrong BOS Descriptor: Please correct firmware BOS descriptor table (%1)")
                    .arg(BosRecord->problem()));
}

void CCyUSBDevice::readStatus()
{
    GetUSBAddress();
    GetDeviceName();
    GetFriendlyName();
    GetDriverVer();
    GetUSBDIVer();
    GetSpeed();
}

bool CCyUSBDevice::GetUSBAddress()
{
    quint32 value = 0;
    const bool ok = readValue(CyIoctl::GetUSBAddress, value, 1);
    UsbAddress = quint8(value);
    return ok;
}

bool CCyUSBDevice::GetDriverVer()
{
    return readValue(CyIoctl::GetDriverVer, DriverVersion, 4);
}

bool CCyUSBDevice::GetUSBDIVer()
{
    return readValue(CyIoctl::GetUSBDIVer, UsbdiVersion, 4);
}

bool CCyUSBDevice::GetDeviceName()
{
    return readText(CyIoctl::GetDeviceName, DeviceName);
}

bool CCyUSBDevice::GetFriendlyName()
{
    return readText(CyIoctl::GetFriendlyName, FriendlyName);
}

// The driver answers 256 bytes; the last unit stays the field's closing
// zero.
bool CCyUSBDevice::readText(quint32 code, quint16 *field)
{
    quint8 name[TextUnits * 2] = {};
    std::memset(field, 0, TextUnits * sizeof(quint16));
    if (!IoControl(code, name, sizeof name))
        return false;
    for (int i = 0; i < TextUnits - 1; ++i)
        field[i] = CyRequestRecord::read16(name + 2 * i);
    return true;
}

// Every configuration must be read whole and make sense: a device whose
// descriptors cannot be walked is not used.
bool CCyUSBDevice::readConfigs()
{
    for (int n = 0; n < Configs; ++n) {
        if (!GetCfgDescriptor(n))
            return fail(QStringLiteral("configuration %1 cannot be read whole").arg(n));
        const QByteArray &block = configDescriptors[n];
        USBCfgs[n] = new CCyUSBConfig(DriverHandle, reinterpret_cast<const quint8 *>(block.constData()),
                                      block.size(), (BcdUsb >> 8) != 0x02);
        if (!USBCfgs[n]->problem().isEmpty())
            return fail(QStringLiteral("Wrong Device Configuration: Please correct firmware descriptor table (%1)")
                        .arg(USBCfgs[n]->problem()));
    }
    return true;
}

void CCyUSBDevice::Close()
{
    delete DriverHandle;
    DriverHandle = nullptr;
    deviceDescriptor.clear();
    bosDescriptor.clear();
    delete BosRecord;
    BosRecord = nullptr;
    for (int n = 0; n < MaxConfigs; ++n) {
        configDescriptors[n].clear();
        delete USBCfgs[n];
        USBCfgs[n] = nullptr;
    }
    delete ControlEndPoint;
    ControlEndPoint = nullptr;
    IsocInEndPoint = IsocOutEndPoint = nullptr;
    BulkInEndPoint = BulkOutEndPoint = nullptr;
    InterruptInEndPoint = InterruptOutEndPoint = nullptr;
    Devices = Configs = Interfaces = AltInterfaces = 0;
}

bool CCyUSBDevice::IoControl(quint32 code, quint8 *buffer, quint32 length)
{
    if (!DriverHandle)
        return false;
    quint32 returned = 0;
    if (!DriverHandle->ioControl(code, buffer, length, buffer, length, &returned, nullptr)) {
        LastError = DriverHandle->lastError();
        return false;
    }
    return returned == length;
}

bool CCyUSBDevice::getDescriptor(quint8 type, quint8 index, quint16 language, quint16 length,
                                 QByteArray &answer)
{
    CyRequestRecord record = CyRequestRecord::control(deviceToHost, getDescriptorRequest,
                                                      quint16(type << 8 | index), language,
                                                      length, descriptorTimeoutSeconds);
    quint32 returned = 0;
    bool ok = false;
    if (DriverHandle) {
        ok = DriverHandle->ioControl(CyIoctl::ControlTransfer, record.data(), record.size(),
                                     record.data(), record.size(), &returned, nullptr);
        if (!ok)
            LastError = DriverHandle->lastError();
    }
    UsbdStatus = record.dword(CyRequestRecord::UsbdStatus);
    DriverStatus = record.dword(CyRequestRecord::DriverStatus);
    const quint32 arrived = returned > CyRequestRecord::Size
                                ? qMin<quint32>(returned - CyRequestRecord::Size, length)
                                : 0;
    answer = QByteArray(reinterpret_cast<const char *>(record.payload()), int(arrived));
    return ok && arrived == length;
}

bool CCyUSBDevice::GetDevDescriptor()
{
    QByteArray answer;
    if (!getDescriptor(deviceType, 0, 0, deviceDescriptorLength, answer))
        return false;
    deviceDescriptor = answer;
    const auto *d = reinterpret_cast<const quint8 *>(answer.constData());
    BcdUsb = quint16(d[2] | d[3] << 8);
    DevClass = d[4];
    DevSubClass = d[5];
    DevProtocol = d[6];
    // From USB 3.0 on, bMaxPacketSize0 is a power of two's exponent.
    MaxPacket = usb3() ? (d[7] < 16 ? 1u << d[7] : 0) : d[7];
    VendorId = quint16(d[8] | d[9] << 8);
    ProductId = quint16(d[10] | d[11] << 8);
    BcdDevice = quint16(d[12] | d[13] << 8);
    Configs = d[17];
    return true;
}

void CCyUSBDevice::GetLangIDs()
{
    LangId = 0;
    QByteArray head, list;
    if (!getDescriptor(stringType, 0, 0, 2, head) || quint8(head[0]) < 4)
        return;
    getDescriptor(stringType, 0, 0, quint8(head[0]), list);
    const auto *d = reinterpret_cast<const quint8 *>(list.constData());
    for (int at = 2; at + 2 <= list.size(); at += 2) {
        const quint16 id = quint16(d[at] | d[at + 1] << 8);
        if (at == 2 || id == englishUs)
            LangId = id;
        if (id == englishUs)
            break;
    }
}

// Only the text bytes that arrived are taken, at most the field's size less
// its closing zero.
void CCyUSBDevice::GetString(quint16 *field, quint8 index)
{
    std::memset(field, 0, TextUnits * sizeof(quint16));
    QByteArray head, whole;
    if (!getDescriptor(stringType, index, LangId, 2, head))
        return;
    const quint8 length = quint8(head[0]);
    if (length < 3 || quint8(head[1]) != stringType)
        return;
    getDescriptor(stringType, index, LangId, length, whole);
    const auto *d = reinterpret_cast<const quint8 *>(whole.constData());
    const int units = qMin((whole.size() - 2) / 2, TextUnits - 1);
    for (int i = 0; i < units; ++i)
        field[i] = quint16(d[2 + 2 * i] | d[3 + 2 * i] << 8);
}

bool CCyUSBDevice::GetCfgDescriptor(int index)
{
    if (index < 0 || index >= MaxConfigs)
        return false;
    QByteArray head;
    if (!getDescriptor(configType, quint8(index), 0, 9, head))
        return false;
    const quint16 total = quint16(quint8(head[2]) | quint8(head[3]) << 8);
    if (total < 9)
        return false;
    return getDescriptor(configType, quint8(index), 0, total, configDescriptors[index]);
}

bool CCyUSBDevice::GetBosDescriptor()
{
    QByteArray head;
    if (!getDescriptor(bosType, 0, 0, 5, head))
        return false;
    const quint16 total = quint16(quint8(head[2]) | quint8(head[3]) << 8);
    return total >= 5 && getDescriptor(bosType, 0, 0, total, bosDescriptor);
}

bool CCyUSBDevice::readValue(quint32 code, quint32 &value, quint32 size)
{
    quint8 bytes[4] = {};
    value = 0;
    if (!IoControl(code, bytes, size))
        return false;
    value = CyRequestRecord::read32(bytes);
    return true;
}

bool CCyUSBDevice::writeValue(quint32 code, quint32 value, quint32 size)
{
    quint8 bytes[4];
    CyRequestRecord::write32(bytes, value);
    return IoControl(code, bytes, size);
}

CCyUSBInterface *CCyUSBDevice::selectedInterface() const
{
    const CCyUSBConfig *config = USBCfgs[CfgNum];
    if (!config || IntfcIndex >= config->AltInterfaces)
        return nullptr;
    return config->Interfaces[IntfcIndex];
}

void CCyUSBDevice::SetConfig(quint8 cfg)
{
    if (!USBCfgs[0])
        return;
    CfgNum = configByName(cfg);
    const CCyUSBConfig *config = USBCfgs[CfgNum];
    Interfaces = config->bNumInterfaces;
    AltInterfaces = config->AltInterfaces;
    IntfcNum = config->AltInterfaces ? config->Interfaces[0]->bInterfaceNumber : 0;
    const quint8 alt = AltIntfc();
    IntfcIndex = 0;
    for (int i = 0; i < config->AltInterfaces; ++i)
        if (config->Interfaces[i]->bInterfaceNumber == IntfcNum
            && config->Interfaces[i]->bAlternateSetting == alt) {
            IntfcIndex = quint8(i);
            break;
        }
    if (const CCyUSBInterface *interface = selectedInterface()) {
        IntfcClass = interface->bInterfaceClass;
        IntfcSubClass = interface->bInterfaceSubClass;
        IntfcProtocol = interface->bInterfaceProtocol;
    }
    if (Configs && Interfaces)
        SetEndPointRoles();
}

// Record n is chosen when record 0 or 1 names n in iConfiguration and record
// n exists; any other n falls back to record 0.
quint8 CCyUSBDevice::configByName(quint8 n) const
{
    bool named = false;
    for (const CCyUSBConfig *config : USBCfgs)
        named = named || (config && config->iConfiguration == n);
    return named && n < MaxConfigs && USBCfgs[n] ? n : 0;
}

quint8 CCyUSBDevice::AltIntfc()
{
    quint32 value = 0;
    return readValue(CyIoctl::AltIntfc, value, 1) ? quint8(value) : 0;
}

quint8 CCyUSBDevice::AltIntfcCount() const
{
    const CCyUSBInterface *interface = selectedInterface();
    return interface && interface->bAltSettings ? quint8(interface->bAltSettings - 1) : 0;
}

quint8 CCyUSBDevice::EndPointCount() const
{
    const CCyUSBInterface *interface = selectedInterface();
    if (!IsOpen())
        return 0;
    return interface ? quint8(interface->bNumEndpoints + 1) : 1;
}

bool CCyUSBDevice::SetAltIntfc(quint8 alt)
{
    if (!IsOpen() || !USBCfgs[CfgNum])
        return false;
    if (AltIntfc() == alt)
        return true;
    const CCyUSBConfig *config = USBCfgs[CfgNum];
    int found = -1;
    for (int i = 0; i < config->AltInterfaces && found < 0; ++i)
        if (config->Interfaces[i]->bInterfaceNumber == IntfcNum
            && config->Interfaces[i]->bAlternateSetting == alt)
            found = i;
    if (found < 0)
        return false;
    IntfcIndex = quint8(found);
    const bool ok = writeValue(CyIoctl::SetAltIntfc, alt, 1);
    const CCyUSBInterface *interface = config->Interfaces[found];
    IntfcClass = interface->bInterfaceClass;
    IntfcSubClass = interface->bInterfaceSubClass;
    IntfcProtocol = interface->bInterfaceProtocol;
    SetEndPointRoles();
    return ok;
}

// The first endpoint of each kind and direction takes its role; every
// data endpoint transfers directly.
void CCyUSBDevice::SetEndPointRoles()
{
    IsocInEndPoint = IsocOutEndPoint = nullptr;
    BulkInEndPoint = BulkOutEndPoint = nullptr;
    InterruptInEndPoint = InterruptOutEndPoint = nullptr;
    CCyUSBInterface *interface = selectedInterface();
    if (!interface)
        return;
    interface->EndPoints[0] = ControlEndPoint;
    for (int slot = 1; slot <= interface->bNumEndpoints; ++slot) {
        CCyUSBEndPoint *endpoint = interface->EndPoints[slot];
        if (!endpoint)
            continue;
        endpoint->XferMode = 1;
        const bool in = endpoint->Address & 0x80;
        switch (endpoint->Attributes & 3) {
        case 1:
            takeFirst(in ? IsocInEndPoint : IsocOutEndPoint, endpoint);
            break;
        case 2:
            takeFirst(in ? BulkInEndPoint : BulkOutEndPoint, endpoint);
            break;
        case 3:
            takeFirst(in ? InterruptInEndPoint : InterruptOutEndPoint, endpoint);
            break;
        default:
            break;
        }
    }
}

CCyUSBEndPoint *CCyUSBDevice::EndPointOf(quint8 address)
{
    if (address == 0)
        return ControlEndPoint;
    if (const CCyUSBInterface *interface = selectedInterface())
        for (int slot = 1; slot <= interface->bNumEndpoints; ++slot)
            if (interface->EndPoints[slot] && interface->EndPoints[slot]->Address == address)
                return interface->EndPoints[slot];
    qWarning("USB device %d: no endpoint 0x%02X in the selected setting", DeviceNumber, address);
    return nullptr;
}

CCyUSBEndPoint *CCyUSBDevice::EndPoint(int slot) const
{
    const CCyUSBInterface *interface = selectedInterface();
    if (slot == 0)
        return ControlEndPoint;
    if (!interface || slot < 0 || slot > interface->bNumEndpoints)
        return nullptr;
    return interface->EndPoints[slot];
}

CCyUSBConfig CCyUSBDevice::GetUSBConfig(int index) const
{
    if (index < 0 || index >= MaxConfigs || !USBCfgs[index])
        index = 0;
    return USBCfgs[index] ? CCyUSBConfig(*USBCfgs[index]) : CCyUSBConfig();
}

QByteArray CCyUSBDevice::ConfigDescriptor(int index) const
{
    return index >= 0 && index < MaxConfigs ? configDescriptors[index] : QByteArray();
}

QByteArray CCyUSBDevice::InterfaceDescriptor() const
{
    const CCyUSBInterface *interface = selectedInterface();
    if (!interface)
        return QByteArray();
    const quint8 bytes[9] = {interface->bLength, interface->bDescriptorType, interface->bInterfaceNumber,
                             interface->bAlternateSetting, interface->bNumEndpoints,
                             interface->bInterfaceClass, interface->bInterfaceSubClass,
                             interface->bInterfaceProtocol, interface->iInterface};
    return QByteArray(reinterpret_cast<const char *>(bytes), 9);
}

bool CCyUSBDevice::GetUsb20ExtensionCapability(CyUsb20ExtensionCapability *out) const
{
    if (!usb3() || !BosRecord || !BosRecord->Usb20ExtensionCapability)
        return false;
    *out = *BosRecord->Usb20ExtensionCapability;
    return true;
}

bool CCyUSBDevice::GetSuperSpeedDeviceCapability(CySuperSpeedDeviceCapability *out) const
{
    if (!usb3() || !BosRecord || !BosRecord->SuperSpeedDeviceCapability)
        return false;
    *out = *BosRecord->SuperSpeedDeviceCapability;
    return true;
}

bool CCyUSBDevice::GetContainerIdCapability(CyContainerIdCapability *out) const
{
    if (!usb3() || !BosRecord || !BosRecord->ContainerIdCapability)
        return false;
    *out = *BosRecord->ContainerIdCapability;
    return true;
}

bool CCyUSBDevice::GetSpeed()
{
    quint32 value = 0;
    readValue(CyIoctl::GetSpeed, value, 4);
    HighSpeed = value == speedHigh;
    SuperSpeed = value == speedSuper;
    return HighSpeed || SuperSpeed;
}

quint32 CCyUSBDevice::PowerState()
{
    quint32 value = 0;
    return readValue(CyIoctl::PowerState, value, 4) ? value : 0;
}

bool CCyUSBDevice::Suspend()
{
    return PowerState() == CyPowerState::Suspend || writeValue(CyIoctl::SetPowerState, CyPowerState::Suspend, 4);
}

bool CCyUSBDevice::Resume()
{
    return PowerState() == CyPowerState::Resume || writeValue(CyIoctl::SetPowerState, CyPowerState::Resume, 4);
}

bool CCyUSBDevice::Reset()
{
    return IoControl(CyIoctl::Reset, nullptr, 0);
}

bool CCyUSBDevice::ReConnect()
{
    return IoControl(CyIoctl::ReConnect, nullptr, 0);
}

QString CCyUSBDevice::UsbdStatusString(quint32 status)
{
    if ((status & 0x0FFFFFFF) == 0)
        return QStringLiteral(" [state=SUCCESS status=USBD_STATUS_SUCCESS]");
    const QString state = QStringLiteral(" [state=%1").arg(QLatin1String(stateName(status)), -8);
    const char *name = usbdStatusNames().value(status | 0xC0000000, nullptr);
    const QString text = name ? QStringLiteral("status=USBD_STATUS_%1]").arg(QLatin1String(name))
                              : QStringLiteral("status=UNKNOWN]");
    return state + text;
}

QString CCyUSBDevice::text(const quint16 *units)
{
    int length = 0;
    while (length < TextUnits && units[length])
        ++length;
    return QString::fromUtf16(reinterpret_cast<const char16_t *>(units), length);
}
