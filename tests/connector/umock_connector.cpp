#include <QElapsedTimer>

#include "CCyBulkEndPoint.h"
#include "CCyControlEndPoint.h"
#include "CCyUSBDevice.h"
#include "Fx3BootLoader.h"
#include "KvCypressConnector.h"
#include "TestMain.h"
#include "UmockUsbBed.h"
#include "Usb3Board.h"

// The USB3 connector and device classes through the libusb driver layer,
// against boards that umockdev emulates.
class umock_connector : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<UmockUsbBed> bed;
    std::unique_ptr<Usb3Board> board;
    UmockUsbBed::Device *node = nullptr;

    QStringList unknownRequests() { return node->seen().filter("unknown"); }

    // A fresh bed whose board was changed by `change` before it is plugged.
    template <typename Change>
    void plugChangedBoard(Change change)
    {
        node = nullptr;
        bed.reset();
        board.reset(new Usb3Board);
        change(*board);
        bed.reset(new UmockUsbBed);
        node = &bed->addUsbDevice(1, 2, 3, *board);
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(qgetenv("LD_PRELOAD").contains("umockdev-preload"), "run under umockdev-wrapper");
    }

    void init()
    {
        bed.reset(new UmockUsbBed);
        board.reset(new Usb3Board);
        node = &bed->addUsbDevice(1, 2, 3, *board);
    }

    void cleanup()
    {
        if (node)
            QCOMPARE(unknownRequests(), QStringList());
        node = nullptr;
        bed.reset();
        board.reset();
    }

    void deviceOpensWithItsDescriptors()
    {
        CCyUSBDevice device(false);
        QCOMPARE(int(device.DeviceCount()), 1);
        QVERIFY(device.Open(0));
        QCOMPARE(device.VendorId, quint16(0x1209));
        QCOMPARE(device.ProductId, quint16(0xF010));
        QCOMPARE(device.MaxPacket, 512u);
        QCOMPARE(CCyUSBDevice::text(device.Product), QString("KV2260 USB3 board"));
        QCOMPARE(CCyUSBDevice::text(device.DevicePath), QString("\\\\?\\usb#vid_1209&pid_f010#2-1#{ae18aa60-7f6a-11d4-97dd-00010229b959}"));
        QVERIFY(device.SuperSpeed);
        QCOMPARE(int(device.AltIntfcCount()), 1);
        QVERIFY(device.BosRecord);
        QVERIFY(device.SetAltIntfc(1));
        QVERIFY(device.BulkInEndPoint);
        QCOMPARE(device.BulkInEndPoint->MaxPktSize, quint16(1024));
        QVERIFY(node->seen().contains("setinterface 0 1"));
    }

    // An address the selected setting lacks gives no endpoint and a log
    // line; endpoint 0 is always there.
    void endpointByAddress()
    {
        CCyUSBDevice device(false);
        QVERIFY(device.Open(0));
        QVERIFY(device.SetAltIntfc(1));
        QCOMPARE(device.EndPointOf(0), device.ControlEndPoint);
        QCOMPARE(device.EndPointOf(0x81), device.BulkInEndPoint);
        QTest::ignoreMessage(QtWarningMsg, "USB device 0: no endpoint 0x82 in the selected setting");
        QCOMPARE(device.EndPointOf(0x82), nullptr);
        QVERIFY(device.SetAltIntfc(0));
        QTest::ignoreMessage(QtWarningMsg, "USB device 0: no endpoint 0x81 in the selected setting");
        QCOMPARE(device.EndPointOf(0x81), nullptr);
    }

    // Only the driver's own interface class has devices.
    void otherInterfaceClass()
    {
        CCyUSBDevice device(false);
        device.InterfaceClassGuid = QUuid("{3f1c0f3e-5a36-4c8e-9d54-6a3a6f0d2b11}");
        QCOMPARE(int(device.DeviceCount()), 0);
        QVERIFY(!device.Open(0));
        device.InterfaceClassGuid = QUuid("{AE18AA60-7F6A-11D4-97DD-00010229B959}");
        QCOMPARE(int(device.DeviceCount()), 1);
        QVERIFY(device.Open(0));
    }

    void readAndWrite()
    {
        KvCypressConnector connector;
        QCOMPARE(connector.open("USB#0"), 0);
        board->setValue(5, 0x3C);
        int value = 0x12;
        QCOMPARE(connector.readRegister(5, &value), 0);
        QCOMPARE(value, 0x3C);
        QCOMPARE(connector.writeRegister(7, 0xA5), 0);
        QCOMPARE(board->value(7), quint8(0xA5));
        connector.close();
        QCOMPARE(board->requests().mid(board->requests().size() - 2),
                 QStringList({"c0 b5 0012 0005 1", "40 b3 0000 0007 1 a5"}));
    }

    // Boards are counted among the driver's devices in enumeration order;
    // the boot loader and a foreign device are not boards.
    void boardsAmongOtherDevices()
    {
        Fx3BootLoader loader;
        Usb3Board second;
        bed->addUsbDevice(2, 2, 4, loader);
        bed->addUsbDevice(3, 2, 5, 0x2976, 0x0003);
        bed->addUsbDevice(4, 2, 6, second);
        QString names("x:");
        QCOMPARE(buildDeviceList(names), 2);
        QCOMPARE(names, QString("x:USB#0|USB#1"));
        KvCypressConnector connector;
        QCOMPARE(QByteArray(connector.deviceList()), QByteArray("USB#0|USB#1"));
        // Listing opens nothing.
        QCOMPARE(board->requests(), QStringList());
        QCOMPARE(second.requests(), QStringList());

        // The two names reach the two boards.
        for (const char *name : {"USB#0", "USB#1"}) {
            QCOMPARE(connector.open(name), 0);
            QCOMPARE(connector.writeRegister(9, name[4]), 0);
        }
        QCOMPARE(QSet<int>({board->value(9), second.value(9)}), QSet<int>({'0', '1'}));
        QCOMPARE(connector.open("USB#2"), -2);
        QCOMPARE(connector.writeRegister(9, 0), -4);
        QCOMPARE(connector.open("1"), 0);
    }

    void noBoard()
    {
        node = nullptr;
        bed.reset();
        bed.reset(new UmockUsbBed);
        QString names;
        QCOMPARE(buildDeviceList(names), 0);
        QVERIFY(names.isEmpty());
        KvCypressConnector connector;
        QCOMPARE(QByteArray(connector.deviceList()), QByteArray());
        QCOMPARE(connector.open("USB#0"), -2);
    }

    void openCodes_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("unplug");
        QTest::addColumn<int>("code");
        QTest::newRow("USB#0") << QByteArray("USB#0") << false << 0;
        QTest::newRow("USB#1") << QByteArray("USB#1") << false << -2;
        QTest::newRow("USB#x") << QByteArray("USB#x") << false << -1;
        QTest::newRow("empty") << QByteArray() << false << -1;
        QTest::newRow("USB#-1") << QByteArray("USB#-1") << false << -2;
        QTest::newRow("unplugged") << QByteArray("USB#0") << true << -2;
    }

    void openCodes()
    {
        QFETCH(QByteArray, name);
        QFETCH(bool, unplug);
        QFETCH(int, code);
        if (unplug)
            bed->removeUsbDevice(1, 2);
        KvCypressConnector connector;
        QCOMPARE(connector.open(name.isEmpty() ? nullptr : name.constData()), code);
        int value = 5;
        QCOMPARE(connector.readRegister(1, &value), code == 0 ? 0 : -3);
        QCOMPARE(connector.writeRegister(1, 2), code == 0 ? 0 : -4);
        if (code == 0)
            QVERIFY(node->seen().contains("setinterface 0 1"));
    }

    // A read that fails gives back the low byte of what was sent.
    void failedReads_data()
    {
        QTest::addColumn<bool>("stall");
        QTest::newRow("stalled") << true;
        QTest::newRow("no data byte") << false;
    }

    void failedReads()
    {
        QFETCH(bool, stall);
        board->setValue(3, 0x77);
        if (stall)
            board->stallRegisterRequest(1);
        else
            board->answerReadsEmpty(true);
        KvCypressConnector connector;
        QCOMPARE(connector.open("USB#0"), 0);
        int value = 0x1234;
        QCOMPARE(connector.readRegister(3, &value), -3);
        QCOMPARE(value, 0x34);
        board->answerReadsEmpty(false);
        QCOMPARE(connector.readRegister(3, &value), 0);
        QCOMPARE(value, 0x77);
    }

    // A board that does not answer fails the request within the endpoint's
    // time-out in whole seconds; a time-out of 0 never waits for ever.
    void silentBoard_data()
    {
        QTest::addColumn<quint32>("timeoutMs");
        QTest::addColumn<int>("atLeastMs");
        QTest::addColumn<int>("atMostMs");
        QTest::newRow("0 ms") << 0u << 0 << 500;
        QTest::newRow("500 ms, one second") << 500u << 900 << 2500;
    }

    void silentBoard()
    {
        QFETCH(quint32, timeoutMs);
        QFETCH(int, atLeastMs);
        QFETCH(int, atMostMs);
        CCyUSBDevice usb(false);
        QVERIFY(usb.Open(0));
        board->ignoreRegisterRequests(true);
        CCyControlEndPoint &endpoint = *usb.ControlEndPoint;
        endpoint.Timeout = timeoutMs;
        endpoint.setVendorRequest(true, 0xB5, 0, 1);
        QElapsedTimer clock;
        clock.start();
        quint8 byte = 0;
        qint32 length = 1;
        QVERIFY(!endpoint.XferData(&byte, length));
        QCOMPARE(length, 0);
        QVERIFY2(clock.elapsed() >= atLeastMs && clock.elapsed() <= atMostMs, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(node->seen().contains("discard"));
        QVERIFY(endpoint.unanswered());
    }

    // Each connector has its own device: closing one leaves the other open.
    void connectorsKeepTheirOwnDevice()
    {
        KvCypressConnector first, second;
        QCOMPARE(first.open("USB#0"), 0);
        QCOMPARE(second.open("USB#0"), 0);
        first.close();
        QCOMPARE(second.writeRegister(4, 0x44), 0);
        QCOMPARE(board->value(4), quint8(0x44));
        QCOMPARE(first.writeRegister(4, 0x55), -4);
    }

    void malformedDescriptors_data()
    {
        QTest::addColumn<QByteArray>("device");
        QTest::addColumn<QByteArray>("config");
        QTest::addColumn<QByteArray>("bos");
        QTest::addColumn<int>("configBytesSent");
        const QByteArray device = Usb3Board().deviceDescriptor;
        const QByteArray config = Usb3Board::standardConfig();
        const QByteArray bos = Usb3Board().bosDescriptor;
        QByteArray zeroLength = config;
        zeroLength[18] = 0;
        QTest::newRow("zero bLength") << device << zeroLength << bos << -1;
        QTest::newRow("overlong wTotalLength") << device << config << bos << 40;
        QByteArray manyEndpoints = config;
        manyEndpoints[22] = 40;
        QTest::newRow("40 endpoints") << device << manyEndpoints << bos << -1;
        QByteArray pastEnd = config;
        pastEnd[27] = 30;
        QTest::newRow("endpoint past the block") << device << pastEnd << bos << -1;
        QByteArray threeConfigs = device;
        threeConfigs[17] = 3;
        QTest::newRow("three configurations") << threeConfigs << config << bos << -1;
        QByteArray badBos = bos;
        badBos[5] = 0;
        QTest::newRow("BOS capability of length 0") << device << config << badBos << -1;
    }

    void malformedDescriptors()
    {
        QFETCH(QByteArray, device);
        QFETCH(QByteArray, config);
        QFETCH(QByteArray, bos);
        QFETCH(int, configBytesSent);
        plugChangedBoard([&](Usb3Board &changed) {
            changed.deviceDescriptor = device;
            changed.configDescriptor = config;
            changed.bosDescriptor = bos;
            changed.configBytesSent = configBytesSent;
        });
        CCyUSBDevice usb(false);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^USB device 0: "));
        QVERIFY(!usb.Open(0));
        QVERIFY(!usb.IsOpen());
        QVERIFY(!usb.ControlEndPoint);
        KvCypressConnector connector;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^USB device 0: "));
        QCOMPARE(connector.open("USB#0"), -2);
    }

    // Language IDs, strings and the packet size of endpoint 0 as the
    // descriptors give them.
    void deviceDescriptorFields_data()
    {
        QTest::addColumn<QByteArray>("device");
        QTest::addColumn<quint32>("maxPacket");
        QTest::newRow("USB 3.0, 2^9") << QByteArray::fromHex("12 01 0003 00 00 00 09 0912 10f0 0001 01 02 03 01") << 512u;
        QTest::newRow("USB 2.1, 64") << QByteArray::fromHex("12 01 1002 00 00 00 40 0912 10f0 0001 01 02 03 01") << 64u;
        QTest::newRow("USB 1.1, 64") << QByteArray::fromHex("12 01 1001 00 00 00 40 0912 10f0 0001 01 02 03 01") << 64u;
    }

    void deviceDescriptorFields()
    {
        QFETCH(QByteArray, device);
        QFETCH(quint32, maxPacket);
        plugChangedBoard([&](Usb3Board &changed) {
            changed.deviceDescriptor = device;
            changed.setString(0, QByteArray::fromHex("06 03 0704 0904"));
            changed.setString(3, QByteArray::fromHex("02 03"));
        });
        CCyUSBDevice usb(false);
        QVERIFY(usb.Open(0));
        QCOMPARE(usb.MaxPacket, maxPacket);
        QCOMPARE(usb.LangId, quint16(0x0409));
        QCOMPARE(CCyUSBDevice::text(usb.Manufacturer), QString("Korvane"));
        QCOMPARE(CCyUSBDevice::text(usb.SerialNumber), QString());
        QVERIFY(board->requests().contains("80 06 0302 0409 2"));
    }
};

KV_TEST_MAIN(umock_connector)
#include "umock_connector.moc"
