#include "CCyBulkEndPoint.h"
#include "CCyControlEndPoint.h"
#include "CCyUSBDevice.h"
#include "TestMain.h"
#include "UmockUsbBed.h"
#include "Usb3Board.h"

namespace {
QString text(const quint16 *units)
{
    return CCyUSBDevice::text(units);
}

const QByteArray containerId = QByteArray::fromHex("00112233445566778899aabbccddeeff");
}

// A program that drives the USB3 device and endpoint classes through every
// field, operation and constant they offer, against an emulated board.
class umock_usbclasses : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<UmockUsbBed> bed;
    std::unique_ptr<Usb3Board> first;
    std::unique_ptr<Usb3Board> board;
    UmockUsbBed::Device *node = nullptr;
    std::unique_ptr<CCyUSBDevice> usb;
    int index = 0;

private slots:
    void initTestCase()
    {
        QVERIFY2(qgetenv("LD_PRELOAD").contains("umockdev-preload"), "run under umockdev-wrapper");
    }

    // The board under test is the second of two, with all three BOS
    // capabilities and a bulk IN companion that bursts.
    void init()
    {
        bed.reset(new UmockUsbBed);
        first.reset(new Usb3Board);
        board.reset(new Usb3Board);
        board->bosDescriptor = QByteArray::fromHex("05 0f 2a00 03"
                                                   "07 10 02 02000000"
                                                   "0a 10 03 00 0e00 01 0a ff07"
                                                   "14 10 04 00")
                               + containerId;
        board->configDescriptor = QByteArray::fromHex("09 02 3500 01 01 00 80 32"
                                                      "09 04 00 00 00 ff 00 00 00"
                                                      "09 04 00 01 02 ff 00 00 00"
                                                      "07 05 01 02 0004 00  06 30 00 00 0000"
                                                      "07 05 81 02 0004 00  06 30 03 00 3412");
        bed->addUsbDevice(1, 2, 3, *first);
        node = &bed->addUsbDevice(2, 2, 7, *board);
        usb.reset(new CCyUSBDevice(false));
        QCOMPARE(usb->InterfaceClassGuid, QUuid("{AE18AA60-7F6A-11D4-97DD-00010229B959}"));
        QCOMPARE(int(usb->DeviceCount()), 2);
        // The driver's order need not be the order the boards were plugged.
        for (index = 0; index < 2; ++index)
            if (usb->Open(quint8(index)) && usb->UsbAddress == 7)
                break;
        QVERIFY(index < 2);
    }

    void cleanup()
    {
        usb.reset();
        QCOMPARE(node->seen().filter("unknown"), QStringList());
        node = nullptr;
        bed.reset();
        board.reset();
        first.reset();
    }

    void deviceFields()
    {
        QCOMPARE(int(usb->DeviceNumber), index);
        QCOMPARE(usb->BcdUsb, quint16(0x0300));
        QCOMPARE(usb->VendorId, quint16(0x1209));
        QCOMPARE(usb->ProductId, quint16(0xF010));
        QCOMPARE(usb->BcdDevice, quint16(0x0100));
        QCOMPARE(usb->MaxPacket, 512u);
        QCOMPARE(int(usb->UsbAddress), 7);
        QVERIFY(usb->SuperSpeed);
        QVERIFY(!usb->HighSpeed);
        QCOMPARE(int(usb->DevClass) + usb->DevSubClass + usb->DevProtocol, 0);
        QCOMPARE(int(usb->IntfcClass), 0xFF);
        QCOMPARE(int(usb->IntfcSubClass) + usb->IntfcProtocol, 0);
        QVERIFY(usb->DriverVersion != 0);
        QCOMPARE(usb->UsbdiVersion, usb->DriverVersion);
        QCOMPARE(usb->UsbdStatus, 0u);
        QCOMPARE(usb->DriverStatus, 0u);
        QCOMPARE(usb->LastError, 0u);
        QCOMPARE(usb->LangId, quint16(0x0409));
        QCOMPARE(text(usb->Manufacturer), QString("Korvane"));
        QCOMPARE(text(usb->Product), QString("KV2260 USB3 board"));
        QCOMPARE(text(usb->SerialNumber), QString("0001"));
        QCOMPARE(text(usb->DeviceName), QString("vid_1209&pid_f010"));
        QCOMPARE(text(usb->FriendlyName), text(usb->DeviceName));
        QVERIFY(text(usb->DevicePath).endsWith("{ae18aa60-7f6a-11d4-97dd-00010229b959}"));
    }

    // The status operations fill their fields again after they were
    // cleared.
    void statusOperations()
    {
        usb->DriverVersion = usb->UsbdiVersion = 0;
        usb->UsbAddress = 0;
        usb->HighSpeed = usb->SuperSpeed = false;
        usb->DeviceName[0] = usb->FriendlyName[0] = 0;
        QVERIFY(usb->GetDriverVer());
        QVERIFY(usb->GetUSBDIVer());
        QVERIFY(usb->GetUSBAddress());
        QVERIFY(usb->GetDeviceName());
        QVERIFY(usb->GetFriendlyName());
        QVERIFY(usb->GetSpeed());
        QVERIFY(usb->DriverVersion != 0 && usb->UsbdiVersion != 0);
        QCOMPARE(int(usb->UsbAddress), 7);
        QVERIFY(usb->SuperSpeed);
        QCOMPARE(text(usb->DeviceName), QString("vid_1209&pid_f010"));
        QCOMPARE(text(usb->FriendlyName), QString("vid_1209&pid_f010"));

        QCOMPARE(usb->PowerState(), CyPowerState::Resume);
        QVERIFY(usb->Suspend());
        QCOMPARE(usb->PowerState(), CyPowerState::Suspend);
        QVERIFY(usb->Resume());
        QCOMPARE(usb->PowerState(), CyPowerState::Resume);
        QVERIFY(usb->Reset());
        QVERIFY(usb->ReConnect());
        QCOMPARE(node->seen().count("reset"), 2);
    }

    void descriptorReads()
    {
        usb->LangId = 0;
        usb->GetLangIDs();
        QCOMPARE(usb->LangId, quint16(0x0409));
        QVERIFY(usb->GetDevDescriptor());
        QCOMPARE(usb->DeviceDescriptor(), board->deviceDescriptor);
        quint16 field[CCyUSBDevice::TextUnits];
        usb->GetString(field, 2);
        QCOMPARE(text(field), QString("KV2260 USB3 board"));
        QVERIFY(usb->GetCfgDescriptor(0));
        QCOMPARE(usb->ConfigDescriptor(0), board->configDescriptor);
        QVERIFY(!usb->GetCfgDescriptor(2));
        QVERIFY(usb->GetBosDescriptor());
        QCOMPARE(usb->InterfaceDescriptor(), QByteArray::fromHex("09 04 00 00 00 ff 00 00 00"));
    }

    void bosCapabilities()
    {
        QVERIFY(usb->BosRecord);
        const CCyUSBBOS &bos = *usb->BosRecord;
        QCOMPARE(int(bos.bLength), 5);
        QCOMPARE(int(bos.bDescriptorType), 15);
        QCOMPARE(int(bos.wTotalLength), 0x2A);
        QCOMPARE(int(bos.bNumDeviceCaps), 3);
        QVERIFY(bos.Usb20ExtensionCapability && bos.SuperSpeedDeviceCapability && bos.ContainerIdCapability);

        CyUsb20ExtensionCapability usb20 = {};
        QVERIFY(usb->GetUsb20ExtensionCapability(&usb20));
        QCOMPARE(int(usb20.bLength), 7);
        QCOMPARE(int(usb20.bDescriptorType), 0x10);
        QCOMPARE(int(usb20.bDevCapabilityType), 2);
        QCOMPARE(usb20.bmAttributes, 2u);

        CySuperSpeedDeviceCapability superSpeed = {};
        QVERIFY(usb->GetSuperSpeedDeviceCapability(&superSpeed));
        QCOMPARE(int(superSpeed.bLength), 10);
        QCOMPARE(int(superSpeed.bDevCapabilityType), 3);
        QCOMPARE(int(superSpeed.bmAttributes), 0);
        QCOMPARE(superSpeed.wSpeedsSupported, quint16(0x000E));
        QCOMPARE(int(superSpeed.bFunctionalitySupport), 1);
        QCOMPARE(int(superSpeed.bU1DevExitLat), 0x0A);
        QCOMPARE(superSpeed.wU2DevExitLat, quint16(0x07FF));

        CyContainerIdCapability container = {};
        QVERIFY(usb->GetContainerIdCapability(&container));
        QCOMPARE(int(container.bLength), 20);
        QCOMPARE(int(container.bDevCapabilityType), 4);
        QCOMPARE(int(container.bReserved), 0);
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(container.ContainerID), 16), containerId);
    }

    void configurationsAndEndpoints()
    {
        QCOMPARE(int(usb->ConfigCount()), 1);
        QCOMPARE(int(usb->IntfcCount()), 1);
        QCOMPARE(int(usb->AltIntfcCount()), 1);
        usb->SetConfig(0);
        QCOMPARE(int(usb->Config()), 0);
        QCOMPARE(int(usb->GetUSBConfig(0).bConfigurationValue), 1);
        QCOMPARE(int(usb->AltIntfc()), 0);
        QCOMPARE(int(usb->EndPointCount()), 1);
        QVERIFY(usb->SetAltIntfc(1));
        QCOMPARE(int(usb->AltIntfc()), 1);
        QCOMPARE(int(usb->EndPointCount()), 3);
        QVERIFY(usb->BulkOutEndPoint && usb->BulkInEndPoint);
        QVERIFY(!usb->IsocInEndPoint && !usb->IsocOutEndPoint);
        QVERIFY(!usb->InterruptInEndPoint && !usb->InterruptOutEndPoint);

        CCyUSBEndPoint &in = *usb->EndPointOf(0x81);
        QCOMPARE(&in, static_cast<CCyUSBEndPoint *>(usb->BulkInEndPoint));
        QCOMPARE(int(in.DescLength), 7);
        QCOMPARE(int(in.DescType), 5);
        QCOMPARE(int(in.Attributes), 2);
        QCOMPARE(int(in.Interval), 0);
        QCOMPARE(int(in.PacketsPerFrame), 1);
        QCOMPARE(int(in.CompanionLength), 6);
        QCOMPARE(int(in.CompanionType), 0x30);
        QCOMPARE(int(in.MaxBurst), 3);
        QCOMPARE(int(in.CompanionAttributes), 0);
        QCOMPARE(int(in.BytesPerInterval), 0x1234);
        QCOMPARE(int(in.MaxPktSize), 4096);
        QVERIFY(in.bIn);
        QCOMPARE(in.XferMode, 1u);
        QCOMPARE(in.Timeout, 10000u);
        QCOMPARE(int(usb->BulkOutEndPoint->MaxBurst), 0);
        QVERIFY(in.Reset());
        QVERIFY(in.Abort());
        in.SetXferSize(5000);
        QCOMPARE(in.GetXferSize(), 8192u);
    }

    // Register requests as the connector makes them, built by hand.
    void controlRequests()
    {
        CCyControlEndPoint &control = *usb->ControlEndPoint;
        QCOMPARE(usb->EndPointOf(0), static_cast<CCyUSBEndPoint *>(&control));
        QCOMPARE(control.Target, quint32(CCyControlEndPoint::TargetDevice));
        QCOMPARE(control.ReqType, quint32(CCyControlEndPoint::VendorRequest));
        QCOMPARE(control.Direction, quint32(CCyControlEndPoint::HostToDevice));
        QCOMPARE(control.XferMode, 0u);
        QCOMPARE(control.Timeout, 10000u);

        control.ReqCode = 0xB3;
        control.Value = 0;
        control.Index = 9;
        quint8 byte = 0x5A;
        qint32 length = 1;
        QVERIFY(control.Write(&byte, length));
        QCOMPARE(control.Direction, quint32(CCyControlEndPoint::HostToDevice));
        QCOMPARE(board->value(9), quint8(0x5A));

        control.ReqCode = 0xB5;
        byte = 0;
        QVERIFY(control.Read(&byte, length));
        QCOMPARE(control.Direction, quint32(CCyControlEndPoint::DeviceToHost));
        QCOMPARE(byte, quint8(0x5A));
        QCOMPARE(control.BytesTransferred, 1u);
        QCOMPARE(control.UsbdStatus, 0u);
        QCOMPARE(control.DriverStatus, 0u);

        // The same read in its three steps.
        CyOverlapped overlapped;
        byte = 0;
        length = 1;
        CCyUSBEndPoint::Context context = control.BeginDataXfer(&byte, length, &overlapped);
        QVERIFY(control.WaitForXfer(&overlapped));
        QVERIFY(control.WaitForIO(&overlapped, control.Timeout));
        QVERIFY(control.FinishDataXfer(&byte, length, &overlapped, context));
        QCOMPARE(byte, quint8(0x5A));

        board->stallRegisterRequest(1);
        QVERIFY(!control.Read(&byte, length));
        QCOMPARE(control.UsbdStatus, CyUsbdStatus::StallPid);
        QVERIFY(control.stalled());
        QCOMPARE(CCyUSBDevice::UsbdStatusString(control.UsbdStatus),
                 QString(" [state=STALLED status=USBD_STATUS_STALL_PID]"));
    }

    void controlValues()
    {
        QCOMPARE(int(CCyControlEndPoint::TargetDevice), 0);
        QCOMPARE(int(CCyControlEndPoint::TargetInterface), 1);
        QCOMPARE(int(CCyControlEndPoint::TargetEndpoint), 2);
        QCOMPARE(int(CCyControlEndPoint::TargetOther), 3);
        QCOMPARE(int(CCyControlEndPoint::StandardRequest), 0);
        QCOMPARE(int(CCyControlEndPoint::ClassRequest), 1);
        QCOMPARE(int(CCyControlEndPoint::VendorRequest), 2);
        QCOMPARE(int(CCyControlEndPoint::HostToDevice), 0);
        QCOMPARE(int(CCyControlEndPoint::DeviceToHost), 1);
    }

    // The driver's codes, each carried out by the driver layer through the
    // device's own IoControl where it needs no record.
    void controlCodes()
    {
        const QList<QPair<quint32, quint32>> codes = {
            {CyIoctl::GetDriverVer, 0x220000},   {CyIoctl::GetUSBDIVer, 0x220004},
            {CyIoctl::AltIntfc, 0x220008},       {CyIoctl::SetAltIntfc, 0x22000C},
            {CyIoctl::GetUSBAddress, 0x220010},  {CyIoctl::PowerState, 0x220018},
            {CyIoctl::SetPowerState, 0x22001C},  {CyIoctl::ControlTransfer, 0x220020},
            {CyIoctl::BufferedTransfer, 0x220024}, {CyIoctl::Reset, 0x220028},
            {CyIoctl::EndpointReset, 0x22002C},  {CyIoctl::ReConnect, 0x220030},
            {CyIoctl::GetTransferSize, 0x220034}, {CyIoctl::SetTransferSize, 0x220038},
            {CyIoctl::GetDeviceName, 0x22003C},  {CyIoctl::GetFriendlyName, 0x220040},
            {CyIoctl::EndpointAbort, 0x220044},  {CyIoctl::DirectTransfer, 0x22004B},
            {CyIoctl::GetSpeed, 0x22004C},
        };
        for (const auto &code : codes)
            QCOMPARE(code.first, code.second);
        QCOMPARE(CyPowerState::Suspend, 4u);
        QCOMPARE(CyPowerState::Resume, 1u);

        quint8 bytes[4] = {};
        QVERIFY(usb->IoControl(CyIoctl::GetUSBAddress, bytes, 1));
        QCOMPARE(int(bytes[0]), 7);
        QVERIFY(usb->IoControl(CyIoctl::GetSpeed, bytes, 4));
        QCOMPARE(int(bytes[0]), 4);
    }

    void closeAndReopen()
    {
        usb->Close();
        QVERIFY(!usb->IsOpen());
        QCOMPARE(int(usb->ConfigCount()), 0);
        QVERIFY(!usb->BosRecord);
        QVERIFY(usb->Open(quint8(1 - index)));
        QCOMPARE(int(usb->DeviceNumber), 1 - index);
        QCOMPARE(int(usb->UsbAddress), 3);
    }
};

KV_TEST_MAIN(umock_usbclasses)
#include "umock_usbclasses.moc"
