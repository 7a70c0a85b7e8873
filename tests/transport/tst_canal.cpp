#include <QSerialPort>
#include <QSerialPortInfo>
#include <QSignalSpy>

#include "AtmelBoard.h"
#include "KV2260_atmel_API.h"
#include "KV2260_fmc_API.h"
#include "KV2260_stm32_API.h"
#include "Stm32BoardEmulator.h"
#include "TestMain.h"
#include "UsbRecorder.h"

namespace {
// Opens the protected USB services to the tests.
class UsbProbe : public canal
{
public:
    using canal::closeUsb;
    using canal::openUsb;
    using canal::usbTransaction;
    bool connected() const { return usbHandle != nullptr; }
};

QStringList serialPortsButBuiltinUart()
{
    QStringList names;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        if (info.portName() != "ttyS0")
            names << info.portName();
    return names;
}

QStringList textsOf(const QSignalSpy &spy)
{
    QStringList list;
    for (const QList<QVariant> &args : spy)
        list << args.at(0).toString();
    return list;
}
}

class tst_canal : public QObject
{
    Q_OBJECT

private slots:
    void plainCanalSupportsNothing()
    {
        canal plain;
        QCOMPARE(plain.provides(), canal::Operations());
        QCOMPARE(plain.usbVid, quint16(0x2976));
        QCOMPARE(plain.usbPid, quint16(0x0003));
        QCOMPARE(plain.baud, 460800);
        QVERIFY(plain.deviceName.isEmpty());

        quint8 buffer[4] = {1, 2, 3, 4};
        quint8 *p = buffer;
        QVERIFY(!plain.readRegister(0, 0, buffer));
        QVERIFY(!plain.readRegisterBlock(0, 2, &p));
        QVERIFY(!plain.readRegisterAutoInc(0, 0, 2, &p));
        QVERIFY(!plain.writeRegister(0, 0, buffer));
        QVERIFY(!plain.writeRegisterBlock(0, 2, buffer));
        QVERIFY(!plain.writeRegisterAutoInc(0, 0, 2, buffer));
        QVERIFY(!plain.sendPacket(4, &p));
        QCOMPARE(QByteArray(reinterpret_cast<char *>(buffer), 4), QByteArray::fromHex("01020304"));
    }

    void boardTransportsProvideEveryOperation()
    {
        const canal::Operations all = canal::ReadRegister | canal::ReadRegisterBlock
                                      | canal::ReadRegisterAutoInc | canal::WriteRegister
                                      | canal::WriteRegisterBlock | canal::WriteRegisterAutoInc
                                      | canal::SendPacket;
        std::unique_ptr<canal> boards[] = {std::make_unique<KV2260_atmel_API>(),
                                           std::make_unique<KV2260_stm32_API>(),
                                           std::make_unique<KV2260_fmc_API>()};
        for (const auto &board : boards) {
            QCOMPARE(board->provides(), all);
            QVERIFY(board->provides(canal::SendPacket));
        }
    }

    void reverseBits_data()
    {
        QTest::addColumn<int>("in");
        QTest::addColumn<int>("out");
        QTest::newRow("01") << 0x01 << 0x80;
        QTest::newRow("C4") << 0xC4 << 0x23;
        QTest::newRow("00") << 0x00 << 0x00;
        QTest::newRow("FF") << 0xFF << 0xFF;
        QTest::newRow("0F") << 0x0F << 0xF0;
    }

    void reverseBits()
    {
        QFETCH(int, in);
        QFETCH(int, out);
        QCOMPARE(int(canal::reverseBits(quint8(in))), out);
    }

    void openSerialByPath()
    {
        Stm32BoardEmulator board;
        canal plain;
        QSerialPort port;
        QVERIFY(plain.openSerial(&port, board.portPath(), 115200));
        QVERIFY(port.isOpen());
        QCOMPARE(port.baudRate(), 115200);
        QCOMPARE(port.dataBits(), QSerialPort::Data8);
        QCOMPARE(port.parity(), QSerialPort::NoParity);
        QCOMPARE(port.stopBits(), QSerialPort::OneStop);
        QCOMPARE(port.flowControl(), QSerialPort::NoFlowControl);
    }

    // A setter that fails leaves no port open behind it.
    void openSerialClosesOnFailedSetter()
    {
        Stm32BoardEmulator board;
        canal plain;
        QSerialPort port;
        QVERIFY(!plain.openSerial(&port, board.portPath(), -1));
        QVERIFY(!port.isOpen());
    }

    void openSerialNeedsExactName()
    {
        canal plain;
        QSerialPort port;
        QVERIFY(!plain.openSerial(&port, "ttyKVNONE", 460800));
        const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
        if (!ports.isEmpty()) {
            const QString name = ports.first().portName();
            QVERIFY(!plain.openSerial(&port, name.toUpper() == name ? name.toLower() : name.toUpper(), 460800));
        }
        QVERIFY(!port.isOpen());
    }

    void deviceListOrder()
    {
        UsbRecorder usb;
        usb.addDevice(1, 2, 0x1209, 0xF010);
        usb.addDevice(1, 5, 0x2976, 0x0003);
        usb.addDevice(1, 7, 0x1D6B, 0x0002);
        usb.addDevice(1, 10, 0x2976, 0x0003);
        usb.addDevice(3, 1, 0x1209, 0xF010);
        canal plain;
        plain.setUsbBackend(&usb);
        QCOMPARE(plain.deviceList(),
                 QStringList({"0105", "010A", "USB#0", "USB#1"}) + serialPortsButBuiltinUart());
        QCOMPARE(usb.openContexts(), 0);
        QCOMPARE(usb.calls(), QStringList({"init", "get_device_list", "free_device_list 1", "exit"}));
    }

    void deviceListSkipsSilentDevice()
    {
        UsbRecorder usb;
        usb.addDevice(1, 5, 0x2976, 0x0003);
        usb.addDevice(2, 17, 0x2976, 0x0003);
        usb.breakDescriptor(1, 5);
        canal plain;
        plain.setUsbBackend(&usb);
        QSignalSpy spy(&plain, &canal::send_message);
        QCOMPARE(plain.deviceList(), QStringList{"0211"} + serialPortsButBuiltinUart());
        QCOMPARE(textsOf(spy), QStringList{"Warning: libusb_get_device_descriptor is empty"});
    }

    // Without USB the serial ports are still offered.
    void deviceListWithoutUsb_data()
    {
        QTest::addColumn<bool>("initFails");
        QTest::addColumn<QString>("text");
        QTest::newRow("libusb does not start") << true << "Error: libusb_init";
        QTest::newRow("no device list") << false << "Error: libusb_get_device_list";
    }

    void deviceListWithoutUsb()
    {
        QFETCH(bool, initFails);
        QFETCH(QString, text);
        UsbRecorder usb;
        usb.addDevice(1, 5, 0x2976, 0x0003);
        usb.failInit = initFails;
        usb.failDeviceList = !initFails;
        canal plain;
        plain.setUsbBackend(&usb);
        QSignalSpy spy(&plain, &canal::send_message);
        QCOMPARE(plain.deviceList(), serialPortsButBuiltinUart());
        QCOMPARE(textsOf(spy), QStringList{text});
        QCOMPARE(usb.openContexts(), 0);
    }

    void openUsbByName()
    {
        UsbRecorder usb;
        usb.addDevice(1, 5, 0x2976, 0x0003);
        usb.addDevice(1, 10, 0x2976, 0x0003);
        UsbProbe probe;
        probe.setUsbBackend(&usb);
        probe.deviceName = "010A";
        QVERIFY(probe.openUsb());
        probe.closeUsb();
        QVERIFY(!probe.connected());
        QCOMPARE(usb.calls(), QStringList({"init", "get_device_list", "open 010A", "free_device_list 1",
                                           "kernel_driver_active 0", "claim 0", "release 0",
                                           "close 010A", "exit"}));
    }

    void openUsbDetachesKernelDriver()
    {
        UsbRecorder usb;
        usb.addDevice(1, 5, 0x2976, 0x0003);
        usb.kernelDriverBound = true;
        UsbProbe probe;
        probe.setUsbBackend(&usb);
        probe.deviceName = "0105";
        QVERIFY(probe.openUsb());
        const QStringList calls = usb.calls();
        QVERIFY(calls.indexOf("detach 0") > calls.indexOf("kernel_driver_active 0"));
        QVERIFY(calls.indexOf("claim 0") > calls.indexOf("detach 0"));
        probe.closeUsb();
    }

    void openUsbAutocorrectsSingleBoard()
    {
        UsbRecorder usb;
        usb.addDevice(1, 5, 0x2976, 0x0003);
        UsbProbe probe;
        probe.setUsbBackend(&usb);
        probe.deviceName = "0999";
        QSignalSpy spy(&probe, &canal::send_message);
        QVERIFY(probe.openUsb());
        QCOMPARE(textsOf(spy), QStringList{"Warning: autocorrect of device name"});
        QCOMPARE(probe.deviceName, QString("0999"));
        probe.closeUsb();
        QCOMPARE(usb.openHandles(), 0);
    }

    // Every failure undoes what the open had done: no context, handle or
    // claim is left behind.
    void openUsbFailures_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("text");
        QTest::newRow("libusb does not start") << "init" << "Error: libusb_init";
        QTest::newRow("no device list") << "list" << "Error: libusb_get_device_list";
        QTest::newRow("name matches none of two") << "name" << "Error: device not found";
        QTest::newRow("board does not open") << "open" << "Error: device not found";
        QTest::newRow("claim refused") << "claim" << "Error: libusb_claim_interface";
    }

    void openUsbFailures()
    {
        QFETCH(QString, failure);
        QFETCH(QString, text);
        UsbRecorder usb;
        usb.addDevice(1, 5, 0x2976, 0x0003);
        usb.addDevice(1, 6, 0x2976, 0x0003);
        usb.failInit = failure == "init";
        usb.failDeviceList = failure == "list";
        usb.failOpen = failure == "open";
        usb.failClaim = failure == "claim";
        UsbProbe probe;
        probe.setUsbBackend(&usb);
        probe.deviceName = failure == "name" ? "0107" : "0106";
        QSignalSpy spy(&probe, &canal::send_message);
        QVERIFY(!probe.openUsb());
        QCOMPARE(textsOf(spy), QStringList{text});
        QVERIFY(!probe.connected());
        QCOMPARE(usb.openContexts(), 0);
        QCOMPARE(usb.openHandles(), 0);
        QCOMPARE(usb.claimedInterfaces(), 0);
    }

    void closeUsbWithoutConnectionIsHarmless()
    {
        UsbRecorder usb;
        UsbProbe probe;
        probe.setUsbBackend(&usb);
        probe.closeUsb();
        QVERIFY(usb.calls().isEmpty());
    }

    // A frame the board did not take whole is not followed by a read.
    void transactionNeedsWholeWrite()
    {
        AtmelBoard board;
        UsbRecorder usb;
        usb.addDevice(1, 5, 0x2976, 0x0003, &board);
        UsbProbe probe;
        probe.setUsbBackend(&usb);
        probe.deviceName = "0105";
        QVERIFY(probe.openUsb());
        quint8 out[4] = {0x15, 0x02, 0x85, 0x00};
        quint8 in[4] = {};
        QCOMPARE(probe.usbTransaction(out, in, 4), 4);
        usb.unplugged = true;
        usb.clearCalls();
        QCOMPARE(probe.usbTransaction(out, in, 4), 0);
        QCOMPARE(usb.calls(), QStringList{"bulk 02 4"});
        probe.closeUsb();
    }
};

KV_TEST_MAIN(tst_canal)
#include "tst_canal.moc"
