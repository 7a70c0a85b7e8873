#include <QSignalSpy>

#include "CCyBulkEndPoint.h"
#include "CCyUSBDevice.h"
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
        QCOMPARE(device.VendorID, quint16(0x1209));
        QCOMPARE(device.ProductID, quint16(0xF010));
        QCOMPARE(device.MaxPacketSize, 512u);
        QCOMPARE(CCyUSBDevice::text(device.Product), QString("KV2260 USB3 board"));
        QCOMPARE(CCyUSBDevice::text(device.DevicePath), QString("\\\\?\\usb#vid_1209&pid_f010#2-1#{ae18aa60-7f6a-11d4-97dd-00010229b959}"));
        QVERIFY(device.bSuperSpeed);
        QCOMPARE(int(device.AltIntfcCount()), 1);
        QVERIFY(device.BosRecord);
        QVERIFY(device.SetAltIntfc(1));
        QVERIFY(device.BulkInEndPoint);
        QCOMPARE(device.BulkInEndPoint->MaxPktSize, quint16(1024));
        QVERIFY(node->seen().contains("setinterface 0 1"));
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
};

KV_TEST_MAIN(umock_connector)
#include "umock_connector.moc"
