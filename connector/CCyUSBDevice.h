#pragma once
#include <QByteArray>
#include <QString>
#include <QUuid>
#include <QtGlobal>
#include <memory>

#include "CCyUSBBOS.h"
#include "CCyUSBConfig.h"
#include "CyDriver.h"

class CCyUSBEndPoint;
class CCyControlEndPoint;
class CCyIsocEndPoint;
class CCyBulkEndPoint;
class CCyInterruptEndPoint;

// One device of the USB3 driver: counts the driver's devices, opens one by
// its index, reads its descriptors with GET_DESCRIPTOR requests on endpoint
// 0, builds its configuration, interface and endpoint records and passes
// I/O control requests to the driver.
//
// Failures are returned as false or null and logged; nothing is thrown.
class CCyUSBDevice
{
public:
    static constexpr int MaxConfigs = 2;
    static constexpr int TextUnits = 128;

    // With `openFirst` the device opens driver device 0 at once.
    explicit CCyUSBDevice(bool openFirst = true, CyDriver &driver = CyDriver::instance());
    CCyUSBDevice(const CCyUSBDevice &) = delete;
    CCyUSBDevice &operator=(const CCyUSBDevice &) = delete;
    ~CCyUSBDevice();

    // The present devices of the driver as enumeration lists them.
    QVector<CyDriver::Device> PresentDevices();
    quint8 DeviceCount();
    bool Open(quint8 dev);
    // Opens device `dev` of a listing the caller has just taken.
    bool Open(quint8 dev, const QVector<CyDriver::Device> &present);
    void Close();
    bool IsOpen() const { return DriverHandle != nullptr; }

    // One request, its buffer both input and output; true only when the
    // driver answered with all `length` bytes.
    bool IoControl(quint32 code, quint8 *buffer, quint32 length);

    quint8 ConfigCount() const { return IsOpen() ? Configs : 0; }
    quint8 IntfcCount() const { return IsOpen() ? Interfaces : 0; }
    quint8 AltIntfcCount() const;
    quint8 EndPointCount() const;

    void SetConfig(quint8 cfg);
    quint8 Config() const { return CfgNum; }
    quint8 AltIntfc();
    bool SetAltIntfc(quint8 alt);
    // Null, with a log line, when the selected setting has no such endpoint.
    CCyUSBEndPoint *EndPointOf(quint8 address);
    CCyUSBConfig GetUSBConfig(int index) const;
    CCyUSBEndPoint *EndPoint(int slot) const;

    // The status operations of the driver; each leaves 0 (or an empty
    // text) in its field when its request fails.
    bool GetDriverVer();
    bool GetUSBDIVer();
    bool GetUSBAddress();
    bool GetDeviceName();
    bool GetFriendlyName();
    bool GetSpeed();
    quint32 PowerState();
    bool Suspend();
    bool Resume();
    bool Reset();
    bool ReConnect();

    // Descriptor reads with GET_DESCRIPTOR on endpoint 0. GetDevDescriptor
    // fills the device fields, GetLangIDs picks LangId, GetString fills a
    // text field with the bytes that arrived; the configuration and BOS
    // reads keep a copy of the whole block.
    bool GetDevDescriptor();
    void GetLangIDs();
    void GetString(quint16 *field, quint8 index);
    bool GetCfgDescriptor(int index);
    bool GetBosDescriptor();

    // The device, configuration and selected interface descriptors as read.
    QByteArray DeviceDescriptor() const { return deviceDescriptor; }
    QByteArray ConfigDescriptor(int index) const;
    QByteArray InterfaceDescriptor() const;
    // The BOS capabilities; false unless the device is a USB 3 one and has
    // the capability.
    bool GetUsb20ExtensionCapability(CyUsb20ExtensionCapability *out) const;
    bool GetSuperSpeedDeviceCapability(CySuperSpeedDeviceCapability *out) const;
    bool GetContainerIdCapability(CyContainerIdCapability *out) const;

    // "[state=... status=...]" for a USB status word.
    static QString UsbdStatusString(quint32 status);

    // A text field as a string.
    static QString text(const quint16 *units);

    CCyUSBBOS *BosRecord = nullptr;
    CCyIsocEndPoint *IsocInEndPoint = nullptr;
    CCyIsocEndPoint *IsocOutEndPoint = nullptr;
    CCyBulkEndPoint *BulkInEndPoint = nullptr;
    CCyBulkEndPoint *BulkOutEndPoint = nullptr;
    CCyControlEndPoint *ControlEndPoint = nullptr;
    CCyInterruptEndPoint *InterruptInEndPoint = nullptr;
    CCyInterruptEndPoint *InterruptOutEndPoint = nullptr;

    quint16 LangId = 0;
    quint32 LastError = 0;
    quint32 UsbdStatus = 0;
    quint32 DriverStatus = 0;
    quint32 DriverVersion = 0;
    quint32 UsbdiVersion = 0;
    quint16 DeviceName[TextUnits] = {};
    quint16 FriendlyName[TextUnits] = {};
    quint16 Manufacturer[TextUnits] = {};
    quint16 Product[TextUnits] = {};
    quint16 SerialNumber[TextUnits] = {};
    quint16 DevicePath[TextUnits] = {};
    quint16 BcdUsb = 0;
    quint16 VendorId = 0;
    quint16 ProductId = 0;
    quint8 UsbAddress = 0;
    quint8 DevClass = 0;
    quint8 DevSubClass = 0;
    quint8 DevProtocol = 0;
    quint32 MaxPacket = 0;
    quint16 BcdDevice = 0;
    quint8 IntfcClass = 0;
    quint8 IntfcSubClass = 0;
    quint8 IntfcProtocol = 0;
    bool HighSpeed = false;
    bool SuperSpeed = false;
    // The device interface class whose devices this object counts and opens.
    QUuid InterfaceClassGuid = CyDriver::interfaceClass();
    // The index of the device opened.
    quint8 DeviceNumber = 0;

protected:
    CyDriver &driver;
    CyDriverHandle *DriverHandle = nullptr;
    quint8 Devices = 0;
    quint8 Interfaces = 0;
    quint8 AltInterfaces = 0;
    quint8 Configs = 0;
    quint8 CfgNum = 0;
    quint8 IntfcNum = 0;
    quint8 IntfcIndex = 0;

private:
    bool createHandle(quint8 dev, const QVector<CyDriver::Device> &present);
    bool readDescriptors();
    bool readConfigs();
    bool buildBos();
    void readStatus();
    // A GET_DESCRIPTOR request; `answer` takes the bytes that arrived.
    bool getDescriptor(quint8 type, quint8 index, quint16 language, quint16 length, QByteArray &answer);
    bool readValue(quint32 code, quint32 &value, quint32 size);
    // A 256-byte text answer of the driver into a text field.
    bool readText(quint32 code, quint16 *field);
    quint8 configByName(quint8 n) const;
    bool writeValue(quint32 code, quint32 value, quint32 size);
    void SetEndPointRoles();
    CCyUSBInterface *selectedInterface() const;
    bool usb3() const { return (BcdUsb >> 8) >= 0x03; }
    bool fail(const QString &why);

    QByteArray deviceDescriptor;
    QByteArray configDescriptors[MaxConfigs];
    QByteArray bosDescriptor;
    CCyUSBConfig *USBCfgs[MaxConfigs] = {};
};
